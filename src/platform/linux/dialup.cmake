# files of this area: target_sources(q_linux PRIVATE ...)
target_sources(q_linux PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/dialup_links_linux.cpp
  ${CMAKE_CURRENT_LIST_DIR}/spawn_launcher.cpp
)
