# The Linux platform layer (/proc and /sys under prepared roots, files, the launcher, the lock,
# ICU) and the Qt shell on the offscreen platform. The X11 window system needs an X server:
# its tests are end-to-end (e2e/tests.cmake).
quillenta_unit_test(test_linux
  SOURCES linux/proc_probes_test.cpp linux/icu_locale_items_test.cpp
          linux/dialup_links_test.cpp linux/launcher_test.cpp
  LIBS q_linux q_title q_items)
target_compile_definitions(test_linux PRIVATE
  QUILLENTA_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data/linux")
quillenta_unit_test(test_profile_store_linux
  SOURCES linux/profile_store_test.cpp
  LIBS q_program q_linux)
quillenta_unit_test(test_instance_guard
  SOURCES linux/instance_guard_test.cpp
  LIBS q_linux)

# The settings window, the tray menu and the error box, on the offscreen platform.
if(TARGET q_app)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  add_executable(test_gui qt/gui_form_test.cpp)
  set_target_properties(test_gui PROPERTIES AUTOMOC ON)
  target_link_libraries(test_gui PRIVATE q_app q_fakes Qt6::Test)
  add_test(NAME gui.form COMMAND test_gui)
  # No session bus: inside a desktop with a StatusNotifierItem panel the tray would rightly
  # leave the right press to the panel, and the tests of the program's own menu would not
  # hold.
  set_tests_properties(gui.form PROPERTIES LABELS unit TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;DBUS_SESSION_BUS_ADDRESS=disabled:")
endif()
# sway's IPC without a compositor: its framing, the JSON of answers and events sway 1.7
# sent, the commands and the record marks.
quillenta_unit_test(test_sway
  SOURCES linux/sway_titles_test.cpp
  LIBS q_linux)
target_compile_definitions(test_sway PRIVATE
  QUILLENTA_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data/sway")
