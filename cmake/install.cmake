# What `cmake --install` puts in place: the library, the windowing services, the public
# headers and the command, with a CMake package (find_package(folivex)) and a pkg-config file.
include(CMakePackageConfigHelpers)

# The names a host uses, the same inside this build as once installed.
set_target_properties(folivex-window PROPERTIES EXPORT_NAME window)
add_library(folivex::folivex ALIAS folivex)
add_library(folivex::window ALIAS folivex-window)
target_include_directories(folivex INTERFACE
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
# Installed side by side: the library finds the windowing services beside itself.
set_target_properties(folivex PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS folivex folivex-window EXPORT folivex-targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES include/folivex.h include/folivex_window.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(FOLIVEX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/folivex)
install(EXPORT folivex-targets NAMESPACE folivex:: DESTINATION ${FOLIVEX_CMAKE_DIR})
configure_package_config_file(cmake/folivex-config.cmake.in
  ${PROJECT_BINARY_DIR}/folivex-config.cmake
  INSTALL_DESTINATION ${FOLIVEX_CMAKE_DIR}
  PATH_VARS CMAKE_INSTALL_INCLUDEDIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/folivex-config-version.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/folivex-config.cmake
              ${PROJECT_BINARY_DIR}/folivex-config-version.cmake
  DESTINATION ${FOLIVEX_CMAKE_DIR})

# The pkg-config file finds the prefix from where it lies, so the copy is right wherever
# `cmake --install --prefix` puts it.
file(RELATIVE_PATH FOLIVEX_PC_PREFIX_FROM_PCDIR /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" FOLIVEX_PC_PREFIX_FROM_PCDIR "${FOLIVEX_PC_PREFIX_FROM_PCDIR}")
configure_file(cmake/folivex.pc.in ${PROJECT_BINARY_DIR}/folivex.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/folivex.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The LibreOffice Writer server, where it is built: an installed copy registers it with
# scripts/register-office.sh PREFIX/lib/libfolivex-office.so.
if(TARGET folivex-office)
  set_target_properties(folivex-office PROPERTIES
    INSTALL_RPATH "$ORIGIN;${FOLIVEX_OFFICE_PROGRAM}")
  install(TARGETS folivex-office LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
