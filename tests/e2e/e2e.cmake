# Tests that need an X server. Each starts a private Xvfb on a free display, so they run
# in parallel; label e2e keeps them apart from the unit tests.

add_executable(test_x11 unit/x11_window_system_test.cpp)
target_link_libraries(test_x11 PRIVATE q_linux GTest::gtest GTest::gtest_main)
gtest_discover_tests(test_x11 DISCOVERY_TIMEOUT 30 PROPERTIES LABELS e2e TIMEOUT 60)

# A toolkit-like client: one top-level window whose title the tests control.
add_executable(testwin e2e/testwin.c)
target_link_libraries(testwin PRIVATE PkgConfig::XCB)
