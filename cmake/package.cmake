# The Debian package made by `cpack -G DEB` in a build configured for /usr
# (tools/package.sh): the program, the engine library with its header, pkg-config file
# and CMake package, the data, the desktop entry, the icon and the AppStream metadata,
# in one package named zedare. Its dependencies are read from the program and the
# library by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zedare)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zedare developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Reversi against a statistical computer opponent")
set(CPACK_PACKAGE_DESCRIPTION "TavrinWin is a Reversi (Othello) desktop game with six levels
and seven styles of play. Its engine, libzedare, judges positions with a linear model
fitted to games it played against itself, searches with MTD(f) over a tree kept from move
to move and solves the end of the game exactly. The package also carries the engine's
C header, pkg-config file and CMake package for programs of one's own.")
set(CPACK_PACKAGE_CONTACT "Zedare maintainers <maintainers@users.noreply.c-seed-62509039.example>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The shlibs file lets other packages' programs that link libzedare.so.0 depend on this one.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# The font in which every caption fits and Qt's Polish texts for the file dialogs are
# packages that the program does not link.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, qt6-translations-l10n")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# zedare.pc is written when installing, with the prefix it is installed into: the
# package's files are staged below DESTDIR so that this prefix is /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
include(CPack)
