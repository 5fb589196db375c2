pkg_check_modules(XCB REQUIRED IMPORTED_TARGET GLOBAL xcb xcb-ewmh xcb-icccm)
target_sources(q_linux PRIVATE x11_window_system.cpp)
target_link_libraries(q_linux PUBLIC PkgConfig::XCB)
