# Tests that need an X server. Each starts a private Xvfb on a free display, so they run
# in parallel; label e2e keeps them apart from the unit tests.

add_executable(test_x11 unit/x11_window_system_test.cpp)
target_link_libraries(test_x11 PRIVATE q_linux GTest::gtest GTest::gtest_main)
gtest_discover_tests(test_x11 DISCOVERY_TIMEOUT 30 PROPERTIES LABELS e2e TIMEOUT 60)

# A toolkit-like client: one top-level window whose title the tests control.
add_executable(testwin e2e/testwin.c)
target_link_libraries(testwin PRIVATE PkgConfig::XCB)

# A slow link to the display, for the tests that need the program's answers late.
find_package(Threads REQUIRED)
add_executable(slowlink e2e/slowlink.c)
target_link_libraries(slowlink PRIVATE Threads::Threads)

# The real program, one private display per test.
set(QUILLENTA_E2E_TESTS line_in_focused_window default_line focus_switch own_title_change
    own_title_change_wm_name_only target_closes sigterm_restores second_instance
    x_connection_lost exact_restore two_docks)
add_test(NAME e2e.harness
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/run.sh harness - $<TARGET_FILE:testwin>)
set_tests_properties(e2e.harness PROPERTIES LABELS e2e TIMEOUT 60)
if(TARGET quillenta)
  foreach(test IN LISTS QUILLENTA_E2E_TESTS)
    add_test(NAME e2e.${test}
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/run.sh ${test}
                     $<TARGET_FILE:quillenta> $<TARGET_FILE:testwin>)
    set_tests_properties(e2e.${test} PROPERTIES LABELS e2e TIMEOUT 90)
  endforeach()
  # Seventy windows come to the front one after another.
  set_tests_properties(e2e.exact_restore PROPERTIES TIMEOUT 300)
  # Two hundred renames, each waited for.
  foreach(test IN ITEMS renames renames_wm_name_only)
    add_test(NAME e2e.${test}
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/run.sh ${test}
                     $<TARGET_FILE:quillenta> $<TARGET_FILE:testwin> $<TARGET_FILE:slowlink>)
    set_tests_properties(e2e.${test} PROPERTIES LABELS e2e TIMEOUT 300)
  endforeach()
endif()
