# The periodic save of the dial-up totals, run on the test build so that the program's
# dial-up probe reads a prepared /sys.
if(TARGET quillenta-testbuild)
  add_test(NAME e2e.periodic_save
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/periodic_save.sh
                   $<TARGET_FILE:quillenta-testbuild> $<TARGET_FILE:testwin>)
  set_tests_properties(e2e.periodic_save PROPERTIES LABELS e2e TIMEOUT 150)
endif()
