add_executable(test_soak soak/soak_test.cpp)
target_link_libraries(test_soak PRIVATE q_program q_fakes GTest::gtest GTest::gtest_main)
add_test(NAME soak COMMAND test_soak)
set_tests_properties(soak PROPERTIES LABELS "unit;soak" TIMEOUT 600)
