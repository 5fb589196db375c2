# quillenta_unit_test(test_linux SOURCES unit/... LIBS ...)
