# The manual page, the Debian documentation files and the CPack settings of the .deb.
# Included from the top-level list after the program's own install rules.

# The page names the version it documents, so it cannot fall behind the project's.
configure_file(${CMAKE_SOURCE_DIR}/data/quillenta.1.in ${CMAKE_BINARY_DIR}/packaging/quillenta.1
               @ONLY)

# Debian policy wants manual pages and changelogs compressed with gzip -9, and -n keeps
# the name and time out of the header so that two builds of one tree give the same bytes.
set(_quillenta_gz)
foreach(_pair "${CMAKE_BINARY_DIR}/packaging/quillenta.1;quillenta.1.gz"
              "${CMAKE_SOURCE_DIR}/packaging/changelog;changelog.gz")
  list(GET _pair 0 _in)
  list(GET _pair 1 _out)
  set(_out ${CMAKE_BINARY_DIR}/packaging/${_out})
  add_custom_command(OUTPUT ${_out}
                     COMMAND sh -c "gzip -9nc \"$0\" > \"$1\"" ${_in} ${_out}
                     DEPENDS ${_in} VERBATIM)
  list(APPEND _quillenta_gz ${_out})
endforeach()
add_custom_target(quillenta-docs ALL DEPENDS ${_quillenta_gz})

install(FILES ${CMAKE_BINARY_DIR}/packaging/quillenta.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillenta)
set(CPACK_PACKAGE_VENDOR Vouk)
set(CPACK_PACKAGE_CONTACT "Vouk <quillenta@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "information line in the title bar of the active window")
# Debian wraps the long description at 80 columns; its lines keep within 72.
set(CPACK_PACKAGE_DESCRIPTION
    "Quillenta sits in the notification area and, five times a second, writes
a line of the window's own title, date, time, memory, CPU, battery, free
resources and dial-up connection time and traffic into the title bar of
the window in the foreground. Every window gets its own title back when
the focus moves on and when the program ends. It keeps dial-up accounting
and starts programs at watched times. Its user interface is Japanese. It
needs an X11 session (or XWayland windows).")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/quillenta/quillenta)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The libraries the binary links come from dpkg-shlibdeps; Qt opens its X11 platform plugin
# at run time, which no scan of the binary can see, and it is only a Recommends of Qt's.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Watched documents and URLs are opened with xdg-open; the Japanese user interface needs a
# Japanese font to be legible.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-noto-cjk")
include(CPack)
