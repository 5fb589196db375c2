add_executable(bench_compose compose_bench.cpp)
target_include_directories(bench_compose PRIVATE ${CMAKE_SOURCE_DIR}/tests/fakes)
target_link_libraries(bench_compose PRIVATE q_linux q_title benchmark::benchmark
                      benchmark::benchmark_main)
