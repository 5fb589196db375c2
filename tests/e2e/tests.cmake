# Tests that need an X server. Each starts a private Xvfb on a free display, so they run in
# parallel; label e2e keeps them apart from the unit tests.

# The X11 window system against a real server.
add_executable(test_x11 linux/x11_window_system_test.cpp)
target_link_libraries(test_x11 PRIVATE q_linux GTest::gtest GTest::gtest_main)
gtest_discover_tests(test_x11 DISCOVERY_TIMEOUT 30 NO_PRETTY_VALUES PROPERTIES LABELS e2e TIMEOUT 60)

# A toolkit-like client: one top-level window whose title the tests control.
add_executable(testwin e2e/testwin.c)
target_link_libraries(testwin PRIVATE PkgConfig::XCB)

# A slow link to the display, for the tests that need the program's answers late.
find_package(Threads REQUIRED)
add_executable(slowlink e2e/slowlink.c)
target_link_libraries(slowlink PRIVATE Threads::Threads)

add_test(NAME e2e.harness
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/run.sh harness - $<TARGET_FILE:testwin>)
set_tests_properties(e2e.harness PROPERTIES LABELS e2e TIMEOUT 60)

if(NOT TARGET quillenta)
  return()
endif()

# quillenta_e2e(<prefix> <script> <timeout> <tests...>): e2e.<prefix><test> runs
# `<script> <test> PROGRAM TESTWIN`, one private display per test.
function(quillenta_e2e prefix script timeout)
  foreach(test IN LISTS ARGN)
    add_test(NAME e2e.${prefix}${test}
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/${script} ${test}
                     $<TARGET_FILE:quillenta> $<TARGET_FILE:testwin>)
    set_tests_properties(e2e.${prefix}${test} PROPERTIES LABELS e2e TIMEOUT ${timeout})
  endforeach()
endfunction()

# The title line in real windows.
quillenta_e2e("" run.sh 90 line_in_focused_window default_line focus_switch own_title_change
              own_title_change_wm_name_only target_closes sigterm_restores ending_signals
              killed_run_left_titles no_window_manager second_instance x_connection_lost
              two_docks nul_in_text settings_not_a_file retitling_window)
# Seventy windows come to the front one after another.
quillenta_e2e("" run.sh 300 exact_restore)
# Two hundred renames, each waited for, over a slow link to the display.
foreach(test IN ITEMS renames renames_wm_name_only)
  add_test(NAME e2e.${test}
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/run.sh ${test}
                   $<TARGET_FILE:quillenta> $<TARGET_FILE:testwin> $<TARGET_FILE:slowlink>)
  set_tests_properties(e2e.${test} PROPERTIES LABELS e2e TIMEOUT 300)
endforeach()
# The tray icon, its menu and the settings window, driven by xdotool.
quillenta_e2e(gui. gui_run.sh 90 tray_menu start_shows_window quit_restores_title
              readonly_settings late_tray no_tray english_system japanese_system japanese_file)
# A panel that hosts StatusNotifierItems (xfce4-panel's systray on a session bus of the
# test's own): which side draws the menu on each press.
quillenta_e2e(sni. sni_run.sh 60 right_press left_press panel_after_program own_item)
# The line in native Wayland and XWayland windows under a private headless sway, through its
# IPC; the screenshot of the first case is the README's.
quillenta_e2e(sway. sway.sh 90 line_switch_end killed_run exact_line exact_line_pango socket_lost
              tray_and_settings stale_socket)

# The lock per display, a start without one, and the options that answer without one.
quillenta_e2e(display. display_run.sh 90 display_spellings no_display command_line)
# Metered connections against NetworkManager's stand-in on a private system bus, with veth
# pairs and a network namespace made by each test: root only, skipped without the right.
quillenta_e2e(metered. metered.sh 120 metered two_links bus_restart nm_hangs no_bus)
foreach(test IN ITEMS metered two_links bus_restart nm_hangs)
  set_tests_properties(e2e.metered.${test} PROPERTIES SKIP_RETURN_CODE 77)
endforeach()

# Hundreds of windows created, focused and destroyed around the running program.
add_test(NAME e2e.churn
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/churn.sh $<TARGET_FILE:quillenta>
                 $<TARGET_FILE:testwin>)
set_tests_properties(e2e.churn PROPERTIES LABELS e2e TIMEOUT 120)

# The periodic save of the dial-up totals, on the test build, whose dial-up probe reads a
# prepared /sys.
if(TARGET quillenta-testbuild)
  add_test(NAME e2e.periodic_save
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/periodic_save.sh
                   $<TARGET_FILE:quillenta-testbuild> $<TARGET_FILE:testwin>)
  set_tests_properties(e2e.periodic_save PROPERTIES LABELS e2e TIMEOUT 150)
endif()

add_test(NAME install COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/install_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(install PROPERTIES LABELS e2e)
