# `cpack` in a build folder: a .deb and a .tar.gz on Linux, a .zip for Windows, each holding
# everything `cmake --install` installs.
set(CPACK_PACKAGE_NAME norvane)
set(CPACK_PACKAGE_VENDOR "Norvane")
set(CPACK_PACKAGE_CONTACT "Norvane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3DS scene to BSP tree compiler, with a C++ library for its tree files")
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR TGZ DEB)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# The runtime libraries the programs link, as dpkg-shlibdeps (dpkg-dev) finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
