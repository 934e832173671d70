# The Debian package: `cpack -G DEB` in the build directory. Its run-time
# dependencies come from dpkg-shlibdeps over the installed programs; the
# desktop, MIME and icon caches are refreshed by its maintainer scripts.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelublock)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "PELU BLOCK developers")
set(CPACK_PACKAGE_CONTACT "PELU BLOCK developers <maintainers@pelublock.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "visual programming editor for a small robot")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "PELU BLOCK places chips on a grid, joins them with arrows and compiles the\n"
       "program into the robot's script, which it copies to a storage card or\n"
       "sends to the robot over TCP. Includes the robot stand-in pelublock-robot.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Fonts and the file dialogs are found at run time, not linked.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "zenity, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/postinst ${CMAKE_CURRENT_LIST_DIR}/postrm)
# A Debian package carries its copyright and changelog in its doc folder.
set(pelu_doc ${CMAKE_INSTALL_DATADIR}/doc/pelublock)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND gzip -9 -n -c ${CMAKE_CURRENT_LIST_DIR}/changelog > ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog
  COMMENT "Compressing the package's changelog")
add_custom_target(package-docs ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${pelu_doc})
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${pelu_doc})
include(CPack)
