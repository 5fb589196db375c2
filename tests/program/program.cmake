quillenta_unit_test(test_program
  SOURCES program/program_test.cpp
  LIBS q_program)
