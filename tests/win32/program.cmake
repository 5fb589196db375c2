# The tests share the session's one desktop and one instance mutex: one at a time.
if(TARGET quillenta AND TARGET testwin_win32)
  foreach(test line_and_switch default_line own_title_change long_title second_instance
          hung_window taskkill_restores tray_icon_docks tray_menu_quit tray_press_keeps_line
          shell_surfaces end_session taskbar_created long_path linked_settings
          first_start
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
  set_tests_properties(win32.dist.winget win32.dist.sign PROPERTIES LABELS unit TIMEOUT 120)
endif()
