# The Debian package: `cpack -G DEB` in the build folder. Dependencies come from the binaries
# (dpkg-shlibdeps); the only maintainer script tells a running CUPS about the new driver.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brimloft)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Brimloft developers <brimloft@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print filter for Brimloft narrow thermal roll printers")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Prints to the six Brimloft one-bit thermal printers (heads of 432, 576 or 832
dots, with a cutter) from Linux applications through CUPS: the CUPS filter
rastertobrimloft and the PPD files of the six variants. The command-line tool
brimloft-print prints XPS jobs through the same filter module as Windows does;
brimloft-decode checks a printer stream and draws the paper.")
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS cups-daemon)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
