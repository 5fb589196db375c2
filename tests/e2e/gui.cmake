# End-to-end tests of the tray icon, its menu and the settings window: the real program on a
# private Xvfb with openbox (and trayer where the test wants a panel), driven by xdotool.
if(NOT TARGET quillenta)
  return()
endif()
set(QUILLENTA_GUI_E2E_TESTS tray_menu start_shows_window quit_restores_title readonly_settings
    late_tray no_tray)
foreach(test IN LISTS QUILLENTA_GUI_E2E_TESTS)
  add_test(NAME e2e.gui.${test}
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/gui_run.sh ${test}
                   $<TARGET_FILE:quillenta> $<TARGET_FILE:testwin>)
  set_tests_properties(e2e.gui.${test} PROPERTIES LABELS e2e TIMEOUT 90)
endforeach()
