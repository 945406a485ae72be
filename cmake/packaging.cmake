# What the packages hold beyond the install rules of install.cmake (the manual pages, the bash
# completion, the Python reader, the licence and the changelog), and how `cpack` in a build
# folder packs it all. Three components split the install:
#   programs     the five programs, their manual pages and completion, the docs and licence
#   development  the headers, the static library, the CMake package and norvane.pc
#   python       the Python reader norvane_bsp (not on Windows)
# A Linux build makes a .tar.gz of everything; configured with -DNORVANE_DEBIAN_PACKAGES=ON and
# the prefix /usr (scripts/package.sh does both), it makes one Debian package per component
# instead. A Windows build makes the NSIS installer and a .zip.
include(${CMAKE_CURRENT_LIST_DIR}/release.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/manpages.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/completion.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/python.cmake)

set(NORVANE_PACKAGE_MAINTAINER "The Norvane developers <norvane@norvane.invalid>" CACHE STRING
  "Maintainer of the Debian packages, as NAME <ADDRESS>")
option(NORVANE_DEBIAN_PACKAGES "Lay the install out for Debian packages and make them with cpack" OFF)

if(NORVANE_DEBIAN_PACKAGES)
  if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    message(FATAL_ERROR "Debian packages install to /usr: configure with -DCMAKE_INSTALL_PREFIX=/usr, "
      "so that the library and norvane.pc go to the multiarch folder ${CMAKE_INSTALL_LIBDIR}")
  endif()
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  # Each package's /usr/share/doc/PACKAGE holds the machine-readable copyright and the Debian
  # changelog, made from CHANGELOG.md.
  set(debianChangelog ${PROJECT_BINARY_DIR}/debian/changelog.gz)
  add_custom_command(OUTPUT ${debianChangelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/debian
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/packaging/debian_changelog.py
      ${PROJECT_SOURCE_DIR}/CHANGELOG.md norvane ${NORVANE_PACKAGE_MAINTAINER} ${debianChangelog}
    DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_SOURCE_DIR}/packaging/debian_changelog.py
    COMMENT "Debian changelog" VERBATIM)
  add_custom_target(norvane_debian_changelog ALL DEPENDS ${debianChangelog})
  foreach(pair programs:norvane development:libnorvane-dev python:python3-norvane-bsp)
    string(REPLACE ":" ";" pair ${pair})
    list(GET pair 0 component)
    list(GET pair 1 package)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${debianChangelog}
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/python/README.md
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/python3-norvane-bsp COMPONENT python)
else()
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/CHANGELOG.md
    DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT programs)
  if(NOT WIN32)
    install(FILES ${PROJECT_SOURCE_DIR}/python/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR}/python COMPONENT python)
  endif()
endif()

set(CPACK_PACKAGE_NAME norvane)
set(CPACK_PACKAGE_VENDOR "The Norvane developers")
set(CPACK_PACKAGE_CONTACT "${NORVANE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Norvane")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
set(CPACK_VERBATIM_VARIABLES ON) # the values below reach cpack as written, quotes and backslashes too
if(WIN32)
  set(CPACK_GENERATOR NSIS ZIP)
elseif(NORVANE_DEBIAN_PACKAGES)
  set(CPACK_GENERATOR DEB)
else()
  set(CPACK_GENERATOR TGZ)
endif()

# Debian: one package per component, named and described as Debian's own, from the one source
# package "norvane". The development package depends on the programs because its CMake package
# imports them (Norvane::compiler, norvane_add_scenes).
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE norvane)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${NORVANE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian_strip.cmake)
set(CPACK_NORVANE_STRIP ${CMAKE_STRIP})
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME norvane)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SUGGESTS "libnorvane-dev, python3-norvane-bsp")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libnorvane-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "norvane (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-norvane-bsp)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3:any (>= 3.9)")
set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS "norvane, python3-numpy")
set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/packaging/python3-norvane-bsp/postinst
  ${PROJECT_SOURCE_DIR}/packaging/python3-norvane-bsp/prerm)
# The first line is the synopsis, the rest the extended description, as the control file has them.
set(CPACK_DEBIAN_PROGRAMS_DESCRIPTION "3DS scene to BSP tree compiler
Norvane compiles a 3DS scene into a binary space partitioning tree: it loads
every mesh, material, light, camera and keyframer track of one .3ds file and
writes one BSP tree over all of its faces to a .bsp file, byte for byte the
same on every build and platform.

This package holds the five programs: norvane, the compiler with its
console; norvane-build, which compiles many scenes at once for build
machines; norvane-dump, which shows scenes and tree files as JSON, checks
tree files and draws them as SVG; norvane-scene, which writes generated test
scenes; and norvane-view, which paints a tree into a PNG picture or a viewer
page for a browser. Manual pages and bash completion come with them.")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "C++ library for Norvane scenes and BSP tree files
libnorvane is a C++20 static library that loads 3DS scenes and reads, checks
and walks the .bsp tree files the norvane compiler writes: back to front or
front to back from an eye point, and down to the leaf that holds a point.

This package holds the headers, the static library, a CMake package
(find_package(Norvane), with norvane_add_scenes to compile scenes as part of
a build) and a pkg-config file.")
set(CPACK_DEBIAN_PYTHON_DESCRIPTION "Python reader of Norvane BSP tree files
norvane_bsp reads the .bsp tree files that the norvane compiler writes,
checks them against every rule of the format and walks them from an eye
point in painter's order. It is pure Python on the standard library; when
NumPy is installed, the vertex table and the face columns come as NumPy
arrays.

python3 -m norvane_bsp FILE.bsp summarises or checks a tree file.")

# Windows: a 64-bit installer into Program Files that puts bin on the user's PATH (CPack finds
# packaging/nsis/NSIS.InstallOptions.ini.in, which chooses that by default, through the module
# path) and registers an uninstaller, which removes an older install first.
list(APPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/packaging/nsis)
# Script text for the top of the installer, where CPack leaves room for its icon settings: a
# 64-bit installer for 64-bit programs (which a Wine without 32-bit support runs too), and an
# uninstaller that also takes away what CPack's leaves: the vendor's registry key once empty,
# and the user's PATH value when taking bin out leaves it empty, as it was before the install.
set(CPACK_NSIS_INSTALLER_MUI_ICON_CODE "Target amd64-unicode
Function un.onUninstSuccess
  DeleteRegKey /ifempty SHCTX 'Software\\${CPACK_PACKAGE_VENDOR}'
  ReadRegStr $0 HKCU 'Environment' 'PATH'
  StrCmp $0 '' 0 +2
    DeleteRegValue HKCU 'Environment' 'PATH'
FunctionEnd")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME "Norvane ${PROJECT_VERSION}")
set(CPACK_NSIS_DISPLAY_NAME "Norvane ${PROJECT_VERSION}")
set(CPACK_NSIS_MODIFY_PATH ON)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_CONTACT "${NORVANE_PACKAGE_MAINTAINER}")

include(CPack)
cpack_add_component(programs DISPLAY_NAME "Programs" REQUIRED
  DESCRIPTION "norvane, norvane-build, norvane-dump, norvane-scene and norvane-view, with the docs")
cpack_add_component(development DISPLAY_NAME "C++ library" DEPENDS programs
  DESCRIPTION "The headers, the static library, the CMake package and the pkg-config file")
if(NOT WIN32)
  cpack_add_component(python DISPLAY_NAME "Python reader" DESCRIPTION "The Python module norvane_bsp")
endif()
