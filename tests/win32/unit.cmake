# Tests of the Win32 platform layer against real Wine windows and files, run under Wine
# (CMAKE_CROSSCOMPILING_EMULATOR) inside tests/win32/wine-session.sh. One file per area.
include(win32/windows.cmake OPTIONAL)
include(win32/probes.cmake OPTIONAL)
include(win32/profile.cmake OPTIONAL)
include(win32/shell.cmake OPTIONAL)
