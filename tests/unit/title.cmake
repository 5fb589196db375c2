quillenta_unit_test(test_title
  SOURCES unit/title_engine_test.cpp unit/compose_test.cpp
  LIBS q_title q_items)
