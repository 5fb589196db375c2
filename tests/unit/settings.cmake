# quillenta_unit_test(test_settings SOURCES unit/... LIBS ...)
