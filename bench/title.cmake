# The yardstick of bench/title-bench: a bare title writer on xcb at five work ticks a second.
add_executable(bench_floor floor.c)
target_link_libraries(bench_floor PRIVATE PkgConfig::XCB)
