# quillenta_unit_test(test_items SOURCES unit/... LIBS ...)
