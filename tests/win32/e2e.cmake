# End-to-end tests of quillenta.exe under Wine; they share the session's one desktop, so they
# run one at a time.
include(win32/program.cmake OPTIONAL)
