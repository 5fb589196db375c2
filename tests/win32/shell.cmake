# The Windows shell's settings window and tray, against real Wine controls.
quillenta_unit_test(test_win32_shell
  SOURCES win32/settings_window_test.cpp
  LIBS q_app_win32)
# Its windows come to the front on the session's one desktop, as do those of the window tests
# and the end-to-end tests: run beside them, each took the foreground from the other, and a
# window that a test waited for in front came there late or never.
set_tests_properties(win32.test_win32_shell PROPERTIES RESOURCE_LOCK wine_desktop)
