# What `cmake --install` puts where: the programs, the library with its public headers, a CMake
# package (Norvane::norvane, the programs as imported executables and norvane_add_scenes), a
# pkg-config file and the docs. The paths are relative to the prefix, so the installed tree can be moved whole.
include(CMakePackageConfigHelpers)

set(NORVANE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Norvane)
# Every file belongs to a package (packaging.cmake): the programs, or the development files,
# where an install() that names no component lands too.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME development)

# Installs a program to bin and exports it as Norvane::<exportName>: a name of its own, so that
# no program can clash with the library's Norvane::norvane.
function(norvane_install_program target exportName)
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${exportName})
  install(TARGETS ${target} EXPORT NorvaneTargets RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
endfunction()

norvane_install_program(norvane compiler)
norvane_install_program(norvane-dump dump)
norvane_install_program(norvane-scene scene)
norvane_install_program(norvane-view view)
norvane_install_program(norvane-build build)

install(TARGETS norvane_library EXPORT NorvaneTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT development)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/norvane DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development
  FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_BINARY_DIR}/include/norvane/version.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/norvane
  COMPONENT development)

install(EXPORT NorvaneTargets NAMESPACE Norvane:: FILE NorvaneTargets.cmake DESTINATION ${NORVANE_CMAKE_DIR}
  COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/NorvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/NorvaneConfig.cmake INSTALL_DESTINATION ${NORVANE_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/NorvaneConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/NorvaneConfig.cmake ${PROJECT_BINARY_DIR}/NorvaneConfigVersion.cmake
  ${PROJECT_SOURCE_DIR}/cmake/NorvaneScenes.cmake DESTINATION ${NORVANE_CMAKE_DIR} COMPONENT development)

# pkg-config: the prefix is found from the .pc file's own folder. A static library passes its
# thread dependency on in Libs.
file(RELATIVE_PATH NORVANE_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
string(REGEX REPLACE "/$" "" NORVANE_PC_TO_PREFIX "${NORVANE_PC_TO_PREFIX}")
find_package(Threads REQUIRED)
if(CMAKE_USE_PTHREADS_INIT)
  set(NORVANE_PC_THREADS "-pthread")
else()
  set(NORVANE_PC_THREADS "${CMAKE_THREAD_LIBS_INIT}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/norvane.pc.in ${PROJECT_BINARY_DIR}/norvane.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/norvane.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT programs)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT programs OPTIONAL)
