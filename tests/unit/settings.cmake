quillenta_unit_test(test_settings
  SOURCES unit/profile_document_test.cpp unit/settings_file_test.cpp
          unit/settings_order_editor_test.cpp unit/signal_test.cpp
  LIBS q_settings)

if(NOT WIN32)
  quillenta_unit_test(test_profile_store_linux
    SOURCES unit/profile_store_test.cpp
    LIBS q_settings q_linux)
endif()
