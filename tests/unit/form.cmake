quillenta_unit_test(test_form
  SOURCES unit/form_test.cpp
  LIBS q_form)
quillenta_unit_test(test_held_save
  SOURCES unit/held_save_test.cpp
  LIBS q_form)
