# quillenta_unit_test(test_dialup SOURCES unit/... LIBS ...)
