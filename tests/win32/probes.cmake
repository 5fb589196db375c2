quillenta_unit_test(test_win32_probes
  SOURCES win32/win32_probes_test.cpp win32/win32_locale_test.cpp
  LIBS q_win32 q_items)
