# `cmake --install` puts the service library, the host stand-in it links, their public headers
# (generated wire records included) and a package config, so that a build can
# find_package(soacad) and link soacad::soacad.
include(CMakePackageConfigHelpers)

install(TARGETS soacad soacad_linked soacad_host EXPORT soacadTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS soacad-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The library's own headers: its programming interface (wire records, skeletons, service
# interfaces and implementation classes).
foreach(folder framework datamanagement structuremanagement skeletons)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/${folder}/
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/soacad/${folder}
          FILES_MATCHING PATTERN "*.h")
endforeach()
# Of the host stand-in, only what a host build uses (the registry, the dispatcher, the store and
# the demo store) and what the library's headers include; its internal modules stay out. The
# install test compiles each installed header on its own, links a program of all of them, and
# builds and runs examples/consumer, which uses the registry, the dispatcher and the demo store.
set(SOACAD_INSTALLED_HOST_HEADERS
    gateway/kv_service_manager.h
    gateway/t2l_service.h
    object/date.h
    object/error_store.h
    object/extensions.h
    object/file_tickets.h
    object/ifail.h
    object/memory.h
    object/pom_ref.h
    object/sizes.h
    object/store.h
    object/structure_objects.h
    object/tag.h
    object/value.h
    object/zolt_object.h
    program/demo_store.h
    soaserver/dispatcher.h)
foreach(header ${SOACAD_INSTALLED_HOST_HEADERS})
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/host/${header}
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/soacad/host/${folder})
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
