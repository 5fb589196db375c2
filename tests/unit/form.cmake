quillenta_unit_test(test_form
  SOURCES unit/form_test.cpp
  LIBS q_form)
