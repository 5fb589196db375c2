# bench/peers-bench: the program beside its peers. bench_floor comes from title.cmake.
if(QUILLENTA_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  add_executable(bench_qt_tray_floor qt_tray_floor.cpp)
  target_link_libraries(bench_qt_tray_floor PRIVATE Qt6::Widgets)
endif()
