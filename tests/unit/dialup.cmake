quillenta_unit_test(test_dialup
  SOURCES unit/accounting_test.cpp unit/connection_items_test.cpp unit/time_watch_test.cpp
          unit/link_baselines_test.cpp unit/connection_links_test.cpp
          ${CMAKE_SOURCE_DIR}/src/platform/win32/connection_links.cpp
  LIBS q_accounting q_watch q_platform q_items)

if(WIN32)
  return()
endif()

# The Linux probe and launcher are compiled in directly: the test needs neither X11 nor the
# rest of the platform library.
quillenta_unit_test(test_dialup_linux
  SOURCES unit/dialup_links_test.cpp unit/launcher_test.cpp
          ${CMAKE_SOURCE_DIR}/src/platform/linux/dialup_links_linux.cpp
          ${CMAKE_SOURCE_DIR}/src/platform/linux/spawn_launcher.cpp
  LIBS q_platform)
