# The Win32 platform layer and shell against real Wine windows and files, and quillenta.exe
# end to end, all run under Wine (CMAKE_CROSSCOMPILING_EMULATOR) inside
# tests/win32/wine-session.sh. Tests that move the one desktop's foreground take the lock
# wine_desktop: run beside each other, each took the foreground from the other, and a window
# a test waited for in front came there late or never.

# A window for the Windows tests to drive, in a process of its own; the end-to-end tests of
# the program use it as well.
add_executable(testwin_win32 WIN32 win32/testwin.c)
set_target_properties(testwin_win32 PROPERTIES OUTPUT_NAME testwin)
target_link_options(testwin_win32 PRIVATE -municode)
target_link_libraries(testwin_win32 PRIVATE shell32)
# What another process's window shows, for the end-to-end tests; found beside testwin.exe.
add_executable(controls_win32 win32/controls.c)
set_target_properties(controls_win32 PROPERTIES OUTPUT_NAME controls
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
target_link_options(controls_win32 PRIVATE -municode)
add_dependencies(testwin_win32 controls_win32)

quillenta_unit_test(test_win32_windows
  SOURCES win32/window_system_test.cpp win32/instance_guard_test.cpp
  LIBS q_win32 GTest::gmock)
# The tests start testwin.exe from their own folder.
add_dependencies(test_win32_windows testwin_win32)
set_target_properties(test_win32_windows testwin_win32 PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
set_tests_properties(win32.test_win32_windows PROPERTIES RESOURCE_LOCK wine_desktop)

quillenta_unit_test(test_win32_probes
  SOURCES win32/win32_probes_test.cpp win32/win32_locale_test.cpp
          win32/connection_links_test.cpp win32/ui_language_test.cpp
  LIBS q_win32 q_items)

# The settings file store and the ShellExecuteW launcher, against real files.
quillenta_unit_test(test_win32_profile
  SOURCES win32/profile_store_win32_test.cpp win32/shell_launcher_test.cpp
  LIBS q_win32 q_program)
# The program the launcher tests start; the test finds it beside itself.
add_executable(quillenta_launch_probe win32/launch_probe.cpp)
add_dependencies(test_win32_profile quillenta_launch_probe)

# The settings window and the tray, against real Wine controls.
quillenta_unit_test(test_win32_shell
  SOURCES win32/settings_window_test.cpp win32/settings_window_language_test.cpp
  LIBS q_app_win32)
set_tests_properties(win32.test_win32_shell PROPERTIES RESOURCE_LOCK wine_desktop)

# The tests share the session's one desktop and one instance mutex: one at a time.
if(TARGET quillenta AND TARGET testwin_win32)
  foreach(test line_and_switch default_line own_title_change retitling_window long_title second_instance
          hung_window taskkill_restores killed_gives_back tray_icon_docks tray_menu_quit
          tray_press_keeps_line shell_surfaces end_session taskbar_created long_path linked_settings
          first_start not_a_file english_session japanese_kept
          ok_saves_defaults unwritable_settings held_file_short held_file_long browse extra_mode
          command_line)
    add_test(NAME win32.e2e.${test}
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/program.sh ${test}
                     $<TARGET_FILE:quillenta> $<TARGET_FILE:testwin_win32>)
    set_tests_properties(win32.e2e.${test} PROPERTIES LABELS e2e TIMEOUT 120
                         RESOURCE_LOCK wine_desktop)
  endforeach()
endif()

# What scripts/build-win32 makes after the build: the installer under Wine, its winget
# manifests and the signing on Linux.
if(TARGET quillenta AND TARGET testwin_win32)
  set(QUILLENTA_SETUP ${CMAKE_BINARY_DIR}/quillenta-${PROJECT_VERSION}-setup.exe)
  add_test(NAME win32.e2e.installer
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/program.sh installer
                   $<TARGET_FILE:quillenta> $<TARGET_FILE:testwin_win32> ${QUILLENTA_SETUP})
  set_tests_properties(win32.e2e.installer PROPERTIES LABELS e2e TIMEOUT 300
                       RESOURCE_LOCK wine_desktop)
  add_test(NAME win32.dist.winget COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/dist.sh winget ${QUILLENTA_SETUP})
  add_test(NAME win32.dist.sign
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/dist.sh sign $<TARGET_FILE:quillenta> ${QUILLENTA_SETUP})
  add_test(NAME win32.dist.installer_words COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/dist.sh installer_words)
  set_tests_properties(win32.dist.winget win32.dist.sign win32.dist.installer_words PROPERTIES
                       LABELS unit TIMEOUT 120)
endif()
