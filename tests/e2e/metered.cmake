# Metered connections against NetworkManager's stand-in on a private system bus, with veth
# pairs and a network namespace made by each test (root only, as the tests run).
if(TARGET quillenta)
  foreach(test metered two_links bus_restart nm_hangs no_bus)
    add_test(NAME e2e.metered.${test}
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/metered.sh ${test}
                     $<TARGET_FILE:quillenta> $<TARGET_FILE:testwin>)
    set_tests_properties(e2e.metered.${test} PROPERTIES LABELS e2e TIMEOUT 120)
  endforeach()
endif()
