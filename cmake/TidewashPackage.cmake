# The Debian package (cpack -G DEB in the build folder, or the target
# "package"): the programs in /usr/bin, the project's libraries and server
# modules in /usr/lib/tidewash, desktop entries, icons, the manual page and
# the bash completion, as `cmake --install` lays them out below /usr. The
# maintainer scripts register the handler and the configuration server for
# every user (packaging/debian). Dependencies are found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tidewash)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Tidewash developers <tidewash@tidewash.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "finds and removes IDE temporary files across a volume")
# The long description's lines stay below 80 characters, as Debian's
# control files want them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Tidewash finds, a whole volume at a time, the temporary files that C++\n"
  "and Pascal IDEs leave in project folders, lets you review them and\n"
  "deletes them or moves them to the trash. It brings a disk-cleanup host\n"
  "(twscleanup), a scan-and-purge wizard and a settings editor.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# dpkg-shlibdeps must know where the package's own libraries are.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/out)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
    ${PROJECT_SOURCE_DIR}/packaging/debian/prerm
    ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# A native package's changelog, compressed as Debian keeps it.
string(TIMESTAMP tidewash_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${CMAKE_BINARY_DIR}/packaging/changelog
     "tidewash (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
     "  * Release ${PROJECT_VERSION}.\n\n"
     " -- ${CPACK_PACKAGE_CONTACT}  ${tidewash_changelog_date}\n")
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/packaging/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog VERBATIM)
add_custom_target(tidewash_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION share/doc/tidewash)
# Who holds the copyright, in Debian's machine-readable form. No licence
# has been chosen: the file says so and grants nothing.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright DESTINATION share/doc/tidewash)
include(CPack)
