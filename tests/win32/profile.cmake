# The settings file store and the ShellExecuteW launcher, against real files under Wine.
quillenta_unit_test(test_win32_profile
  SOURCES win32/profile_store_win32_test.cpp win32/shell_launcher_test.cpp
  LIBS q_win32 q_settings)
# The program the launcher tests start; the test finds it beside itself.
add_executable(quillenta_launch_probe win32/launch_probe.cpp)
add_dependencies(test_win32_profile quillenta_launch_probe)
