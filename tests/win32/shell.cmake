# The Windows shell's settings window and tray, against real Wine controls.
quillenta_unit_test(test_win32_shell
  SOURCES win32/settings_window_test.cpp
  LIBS q_app_win32)
