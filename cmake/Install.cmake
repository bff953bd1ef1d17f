# `cmake --install` puts the service library, the host stand-in it links, their public headers
# (generated wire records included) and a package config, so that a build can
# find_package(soacad) and link soacad::soacad.
include(CMakePackageConfigHelpers)

install(TARGETS soacad soacad_host EXPORT soacadTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET soacad-host)
  install(TARGETS soacad-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

foreach(folder framework datamanagement structuremanagement skeletons host)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/${folder}/
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/soacad/${folder}
          FILES_MATCHING PATTERN "*.h")
endforeach()
install(DIRECTORY ${SOACAD_GENERATED_DIR}/
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/soacad
        FILES_MATCHING PATTERN "*.h")

install(EXPORT soacadTargets NAMESPACE soacad::
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/soacad)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/soacadConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/soacadConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/soacad)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/soacadConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/soacadConfig.cmake ${CMAKE_BINARY_DIR}/soacadConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/soacad)
