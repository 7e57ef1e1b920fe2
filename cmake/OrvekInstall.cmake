# Install rules: headers, the two libraries, orvek_verify, a CMake package and a pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ORVEK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/orvek)

set_target_properties(orvek_kernel PROPERTIES EXPORT_NAME kernel)
set_target_properties(orvek_ecs PROPERTIES EXPORT_NAME ecs)
install(TARGETS orvek_kernel orvek_ecs EXPORT orvekTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# Public headers only: the verification cases beside each module are not part of the library.
foreach(module orvek_kernel orvek_ecs)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/${module} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    FILES_MATCHING PATTERN "*.hpp" PATTERN "cases" EXCLUDE)
endforeach()
install(FILES ${PROJECT_BINARY_DIR}/include/orvek_kernel/version.hpp
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orvek_kernel)

if(TARGET orvek_verify)
  install(TARGETS orvek_verify RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(EXPORT orvekTargets NAMESPACE orvek:: DESTINATION ${ORVEK_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/templates/orvekConfig.cmake.in
  ${PROJECT_BINARY_DIR}/orvekConfig.cmake INSTALL_DESTINATION ${ORVEK_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/orvekConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/orvekConfig.cmake ${PROJECT_BINARY_DIR}/orvekConfigVersion.cmake
  DESTINATION ${ORVEK_CMAKE_DIR})

file(RELATIVE_PATH ORVEK_PC_TO_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
configure_file(${PROJECT_SOURCE_DIR}/cmake/templates/orvek.pc.in ${PROJECT_BINARY_DIR}/orvek.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/orvek.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
