quillenta_unit_test(test_instance_guard
  SOURCES unit/instance_guard_test.cpp
  LIBS q_linux)
