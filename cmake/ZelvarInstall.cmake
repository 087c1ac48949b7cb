# Installation and the CMake package. Included after the targets exist.
#
# `cmake --install` puts the plug-in, the platform libraries and zelvar-host
# in place, with the headers, and a package for value-function authors:
#
#   find_package(zelvar CONFIG REQUIRED)
#   add_library(my_values SHARED my_values.c)
#   target_link_libraries(my_values PRIVATE zelvar::sdk)
#
# zelvar::sdk carries the include folder (<zelvar/udf.h>); zelvar::host is
# the installed zelvar-host, for running a library's own tests.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

add_library(zelvar_sdk INTERFACE)
target_include_directories(zelvar_sdk INTERFACE
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
set_target_properties(zelvar_sdk PROPERTIES EXPORT_NAME sdk)
set_target_properties(zelvar-host PROPERTIES EXPORT_NAME host)
add_library(zelvar::sdk ALIAS zelvar_sdk)

# The plug-in finds the platform libraries beside it, and they find each
# other, wherever the installed tree is moved.
set_target_properties(zelvar halvern32 quenby settar PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS zelvar halvern32 quenby settar LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS zelvar-host zelvar_sdk EXPORT zelvarTargets RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/zelvar DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(zelvar_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/zelvar)
install(EXPORT zelvarTargets NAMESPACE zelvar:: DESTINATION ${zelvar_package_dir})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/zelvarConfig.cmake.in
  ${PROJECT_BINARY_DIR}/zelvarConfig.cmake
  INSTALL_DESTINATION ${zelvar_package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zelvarConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zelvarConfig.cmake ${PROJECT_BINARY_DIR}/zelvarConfigVersion.cmake
  DESTINATION ${zelvar_package_dir})
