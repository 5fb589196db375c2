# End-to-end tests of the tray icon in a panel that hosts StatusNotifierItems (xfce4-panel's
# systray plugin on a session bus of the test's own): which side draws the menu on each press.
if(NOT TARGET quillenta)
  return()
endif()
set(QUILLENTA_SNI_E2E_TESTS right_press left_press panel_after_program)
foreach(test IN LISTS QUILLENTA_SNI_E2E_TESTS)
  add_test(NAME e2e.sni.${test}
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/sni_run.sh ${test}
                   $<TARGET_FILE:quillenta> $<TARGET_FILE:testwin>)
  set_tests_properties(e2e.sni.${test} PROPERTIES LABELS e2e TIMEOUT 60)
endforeach()
