# The Debian package: `cpack` on a configured build tree (scripts/package.sh does it on an
# optimised one) writes tavrik_<version>_<arch>.deb. It installs what `cmake --install` does
# under /usr, plus the documents a Debian package carries in /usr/share/doc/tavrik.

set(TAVRIK_PACKAGE_MAINTAINER "Tavrik developers <maintainers@tavrik.invalid>"
    CACHE STRING "The Maintainer field of the Debian package")

# The Debian documents: the project's copyright file, the pixel font's licence (fetched with
# the font by the set-up script) and the changelog, compressed the way dpkg tools expect:
# at the highest level and without a time stamp, so equal sources give equal packages.
set(TAVRIK_PACKAGE_DOC_DIR "${CMAKE_INSTALL_DATADIR}/doc/tavrik")
set(changelog_gz "${PROJECT_BINARY_DIR}/packaging/changelog.gz")
file(MAKE_DIRECTORY "${PROJECT_BINARY_DIR}/packaging")
execute_process(COMMAND gzip -9nc "${PROJECT_SOURCE_DIR}/packaging/changelog"
    OUTPUT_FILE "${changelog_gz}" COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    "${PROJECT_SOURCE_DIR}/packaging/changelog")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright" "${changelog_gz}"
    DESTINATION "${TAVRIK_PACKAGE_DOC_DIR}")
install(FILES "${PROJECT_SOURCE_DIR}/resources/fonts/DepartureMono-OFL.txt"
    DESTINATION "${TAVRIK_PACKAGE_DOC_DIR}" OPTIONAL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrik)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${TAVRIK_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "personal statistics from the logs of AI coding agents")
set(CPACK_PACKAGE_DESCRIPTION
    "Reads Claude Code and Codex logs into a tray icon, an overlay and a share card.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME tavrik)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What no shared library names: the monospaced font the pictures fall back to, and the Secret
# Service that keeps the signed-in session (without it Tavrik works, signed out).
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-dejavu-core)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS gnome-keyring)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
