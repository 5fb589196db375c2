# The settings window, the tray menu and the error box, on the offscreen platform.
if(NOT TARGET q_app)
  return()
endif()
find_package(Qt6 REQUIRED COMPONENTS Test)
add_executable(test_gui unit/gui_form_test.cpp)
set_target_properties(test_gui PROPERTIES AUTOMOC ON)
target_link_libraries(test_gui PRIVATE q_app q_fakes Qt6::Test)
add_test(NAME gui.form COMMAND test_gui)
# No session bus: inside a desktop with a StatusNotifierItem panel the tray would rightly
# leave the right press to the panel, and the tests of the program's own menu would not hold.
set_tests_properties(gui.form PROPERTIES LABELS unit TIMEOUT 120
                     ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;DBUS_SESSION_BUS_ADDRESS=disabled:")
