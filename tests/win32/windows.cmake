# A window for the Windows tests to drive, in a process of its own; the end-to-end tests of
# the program use it as well.
add_executable(testwin_win32 WIN32 win32/testwin.c)
set_target_properties(testwin_win32 PROPERTIES OUTPUT_NAME testwin)
target_link_options(testwin_win32 PRIVATE -municode)
target_link_libraries(testwin_win32 PRIVATE shell32)

quillenta_unit_test(test_win32_windows
  SOURCES win32/window_system_test.cpp win32/instance_guard_test.cpp
  LIBS q_win32 GTest::gmock)
# The tests start testwin.exe from their own folder.
add_dependencies(test_win32_windows testwin_win32)
set_target_properties(test_win32_windows testwin_win32 PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
# The window tests move the one desktop's foreground: one at a time with the other tests that
# do (tests/win32/shell.cmake).
set_tests_properties(win32.test_win32_windows PROPERTIES RESOURCE_LOCK wine_desktop)
