# The program and its display: the lock per display, a start without one, and the options
# that answer without one.
if(TARGET quillenta)
  foreach(test display_spellings no_display command_line)
    add_test(NAME e2e.display.${test}
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/display_run.sh ${test}
                     $<TARGET_FILE:quillenta> $<TARGET_FILE:testwin>)
    set_tests_properties(e2e.display.${test} PROPERTIES LABELS e2e TIMEOUT 90)
  endforeach()
endif()
