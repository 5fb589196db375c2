# The tests share the session's one desktop and one instance mutex: one at a time.
if(TARGET quillenta AND TARGET testwin_win32)
  foreach(test line_and_switch default_line own_title_change long_title second_instance
          hung_window taskkill_restores tray_icon_docks tray_menu_quit tray_press_keeps_line
          shell_surfaces end_session taskbar_created long_path linked_settings
          first_start
          ok_saves_defaults unwritable_settings held_file_short held_file_long browse extra_mode)
    add_test(NAME win32.e2e.${test}
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/program.sh ${test}
                     $<TARGET_FILE:quillenta> $<TARGET_FILE:testwin_win32>)
    set_tests_properties(win32.e2e.${test} PROPERTIES LABELS e2e TIMEOUT 120
                         RESOURCE_LOCK wine_desktop)
  endforeach()
endif()
