quillenta_unit_test(test_command_line
  SOURCES unit/command_line_test.cpp
  LIBS q_command_line)
target_compile_definitions(test_command_line PRIVATE QUILLENTA_TEST_VERSION="${PROJECT_VERSION}")
