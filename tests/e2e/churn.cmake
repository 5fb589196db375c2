# Hundreds of windows created, focused and destroyed around the running program.
if(TARGET quillenta)
  add_test(NAME e2e.churn
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/churn.sh $<TARGET_FILE:quillenta>
                   $<TARGET_FILE:testwin>)
  set_tests_properties(e2e.churn PROPERTIES LABELS e2e TIMEOUT 120)
endif()
