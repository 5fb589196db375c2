# System probes (/proc, /sys) and the ICU locale.
target_sources(q_linux PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/memory_probe_linux.cpp
  ${CMAKE_CURRENT_LIST_DIR}/battery_probe_linux.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cpu_usage_linux.cpp
  ${CMAKE_CURRENT_LIST_DIR}/free_resources_linux.cpp
  ${CMAKE_CURRENT_LIST_DIR}/locale_icu.cpp
)
target_link_libraries(q_linux PUBLIC ICU::uc ICU::i18n)
