# The Debian package: `cpack -G DEB` in the build folder makes webbrowser_VERSION_amd64.deb with
# the program and wbctl in /usr/bin, the program's desktop entry and icon, and the manual pages.
# Its dependencies are those the build computed from both binaries with dpkg-shlibdeps
# (cmake/record_depends.cmake); the list of the program alone, recorded in the program, is the
# one wbctl package gives a branded copy's package. scripts/package.sh builds it, installs it and removes it again.
#
# The packaged executables are stripped of debug information and of the symbols nothing needs at
# run time, as Debian wants its binaries (a branded copy of the packaged program makes a package
# that lintian finds in order). Stripping rewrites the ELF file
# and drops what follows its image, so the program's copy is branded again with the shipped
# block afterwards, by the freshly built wbctl, exactly as the build does.
find_program(GZIP gzip REQUIRED)
set(WB_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
set(WB_PACKAGE_FILES
    ${WB_PACKAGE_DIR}/webbrowser ${WB_PACKAGE_DIR}/wbctl
    ${WB_PACKAGE_DIR}/webbrowser.1.gz ${WB_PACKAGE_DIR}/wbctl.1.gz)
add_custom_command(
  OUTPUT ${WB_PACKAGE_DIR}/webbrowser
  COMMAND ${CMAKE_COMMAND} -E make_directory ${WB_PACKAGE_DIR}
  COMMAND ${CMAKE_OBJCOPY} --strip-unneeded $<TARGET_FILE:webbrowser> ${WB_PACKAGE_DIR}/webbrowser.image
  COMMAND $<TARGET_FILE:wbctl> brand ${WB_PACKAGE_DIR}/webbrowser.image ${WB_PACKAGE_DIR}/webbrowser
          --keep-links ${WB_SHIPPED_BLOCK}
  COMMAND ${CMAKE_COMMAND} -E remove ${WB_PACKAGE_DIR}/webbrowser.image
  DEPENDS webbrowser wbctl
  COMMENT "Making the packaged copy of webbrowser"
  VERBATIM)
add_custom_command(
  OUTPUT ${WB_PACKAGE_DIR}/wbctl
  COMMAND ${CMAKE_COMMAND} -E make_directory ${WB_PACKAGE_DIR}
  COMMAND ${CMAKE_OBJCOPY} --strip-unneeded $<TARGET_FILE:wbctl> ${WB_PACKAGE_DIR}/wbctl
  DEPENDS wbctl
  COMMENT "Making the packaged copy of wbctl"
  VERBATIM)
foreach(page webbrowser wbctl)
  # Debian keeps manual pages compressed; -n leaves the name and time out, so the file depends
  # on the page alone.
  add_custom_command(
    OUTPUT ${WB_PACKAGE_DIR}/${page}.1.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${WB_PACKAGE_DIR}
    COMMAND ${GZIP} -9 -n -c ${CMAKE_SOURCE_DIR}/packaging/${page}.1 > ${WB_PACKAGE_DIR}/${page}.1.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${page}.1
    COMMENT "Compressing the manual page ${page}.1"
    VERBATIM)
endforeach()
add_custom_target(wb_package_files ALL DEPENDS ${WB_PACKAGE_FILES})

install(PROGRAMS ${WB_PACKAGE_DIR}/webbrowser ${WB_PACKAGE_DIR}/wbctl DESTINATION bin)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/webbrowser.desktop DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/webbrowser.png
        DESTINATION share/icons/hicolor/256x256/apps)
install(FILES ${CMAKE_SOURCE_DIR}/resources/webbrowser.svg
        DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${WB_PACKAGE_DIR}/webbrowser.1.gz ${WB_PACKAGE_DIR}/wbctl.1.gz
        DESTINATION share/man/man1)
# The catalogs of the window's texts (po/), where the program looks for them when no "locale"
# folder lies beside it.
foreach(lang ${WB_LINGUAS})
  install(FILES ${CMAKE_BINARY_DIR}/locale/${lang}/LC_MESSAGES/webbrowser.mo
          DESTINATION share/locale/${lang}/LC_MESSAGES)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME webbrowser)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Morvane")
set(CPACK_PACKAGE_CONTACT "Morvane <support@morvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop web-application shell")
# The summary is the synopsis line of the package's description, this its extended text.
set(CPACK_PACKAGE_DESCRIPTION
    "One small program that shows one web site in a window of its own, as a desktop \
application. Branded copies, made with wbctl brand, carry their own title, start address, look \
and icon, and wbctl install puts them into the application menu.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${WB_BASE_WEB_ADDRESS})
# cpack reads the recorded list when it runs (cmake/package_depends.cmake), after the build.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(WB_DEPENDS_FILE ${WB_PACKAGE_DIR}/package-depends.txt)
configure_file(${CMAKE_SOURCE_DIR}/cmake/package_depends.cmake.in
               ${CMAKE_BINARY_DIR}/package_depends.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/package_depends.cmake)
# SVG icons (wbctl brand --icon, install) are drawn through gdk-pixbuf's SVG loader.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "librsvg2-common")
include(CPack)
