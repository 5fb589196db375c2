quillenta_unit_test(test_items
  SOURCES unit/date_time_items_test.cpp unit/system_items_test.cpp unit/number_format_items_test.cpp
    unit/japanese_era_test.cpp
  LIBS q_title q_items q_platform)
