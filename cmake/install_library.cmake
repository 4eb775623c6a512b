# What a client of the engine gets from an installation: libzedare.so.0 (and the link
# libzedare.so), zedare.h, the engine's data in share/zedare, a pkg-config file and a
# CMake package (find_package(Zedare), target Zedare::zedare, Zedare_DATA_DIR).
include(CMakePackageConfigHelpers)

set(ZEDARE_INSTALL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/zedare)
set(ZEDARE_INSTALL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Zedare)

install(TARGETS zedare EXPORT ZedareTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${ZEDARE_DATA_DIR}/modele ${ZEDARE_DATA_DIR}/otwarcia
  DESTINATION ${ZEDARE_INSTALL_DATA_DIR})

install(EXPORT ZedareTargets NAMESPACE Zedare:: DESTINATION ${ZEDARE_INSTALL_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/ZedareConfig.cmake.in
  ${PROJECT_BINARY_DIR}/ZedareConfig.cmake
  INSTALL_DESTINATION ${ZEDARE_INSTALL_CMAKE_DIR}
  PATH_VARS ZEDARE_INSTALL_DATA_DIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ZedareConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ZedareConfig.cmake ${PROJECT_BINARY_DIR}/ZedareConfigVersion.cmake
  DESTINATION ${ZEDARE_INSTALL_CMAKE_DIR})

# zedare.pc names absolute folders, and the prefix is known only when installing
# (cmake --install --prefix, or /usr when the package is made), so the file is written
# then, below DESTDIR when one is set.
install(CODE "
  file(READ [[${CMAKE_CURRENT_LIST_DIR}/zedare.pc.in]] template)
  set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
  set(libdir [[${CMAKE_INSTALL_LIBDIR}]])
  set(includedir [[${CMAKE_INSTALL_INCLUDEDIR}]])
  set(pkgdatadir [[${ZEDARE_INSTALL_DATA_DIR}]])
  set(version [[${PROJECT_VERSION}]])
  string(CONFIGURE \"\${template}\" text @ONLY)
  set(pc \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig/zedare.pc\")
  message(STATUS \"Installing: \$ENV{DESTDIR}\${pc}\")
  file(WRITE \"\$ENV{DESTDIR}\${pc}\" \"\${text}\")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${pc}\")
")
