# files of this area: target_sources(q_linux PRIVATE ...)
# sd-bus keeps NetworkManager's metered devices; the per-link baselines of q_platform measure the links.
find_package(Threads REQUIRED)
pkg_check_modules(SYSTEMD REQUIRED IMPORTED_TARGET GLOBAL libsystemd)
target_sources(q_linux PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/dialup_links_linux.cpp
  ${CMAKE_CURRENT_LIST_DIR}/network_manager_metered.cpp
  ${CMAKE_CURRENT_LIST_DIR}/spawn_launcher.cpp
)
target_link_libraries(q_linux PUBLIC q_platform PkgConfig::SYSTEMD Threads::Threads)
