quillenta_unit_test(test_linux
  SOURCES unit/proc_probes_test.cpp unit/icu_locale_items_test.cpp
  LIBS q_linux q_probes q_title q_items)
target_compile_definitions(test_linux PRIVATE
  QUILLENTA_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data/linux")
