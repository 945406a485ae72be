# The compiling programs linked with no shared libraries where the toolchain can: a scene of a
# few dozen faces compiles in well under a millisecond, and loading libstdc++ and resolving its
# symbols took three quarters of a millisecond more, at every run of a script that compiles
# scene after scene. A Debian package links dynamically, as its policy asks (lintian refuses a
# statically linked binary), and so do the sanitizer and fuzzing builds, which cannot link
# statically; MinGW-w64 builds are static already.
include(CheckCXXSourceCompiles)

if(UNIX AND NOT APPLE AND NOT NORVANE_SANITIZE AND NOT NORVANE_FUZZ AND NOT NORVANE_DEBIAN_PACKAGES)
  set(CMAKE_REQUIRED_LINK_OPTIONS -static)
  check_cxx_source_compiles([[
    #include <cstdio>
    #include <thread>
    int main() { std::thread t([] { std::puts(""); }); t.join(); }
  ]] NORVANE_CAN_LINK_STATIC)
  unset(CMAKE_REQUIRED_LINK_OPTIONS)
else()
  set(NORVANE_CAN_LINK_STATIC OFF)
endif()
option(NORVANE_STATIC_PROGRAMS
  "Link norvane and norvane-build with no shared libraries, so they start faster (not for Debian packages or sanitizers)"
  ${NORVANE_CAN_LINK_STATIC})

# Whether they are: the option stays in the cache when a build folder is configured again for a
# build that links dynamically.
if(NORVANE_STATIC_PROGRAMS AND NOT MINGW AND NOT NORVANE_SANITIZE AND NOT NORVANE_FUZZ
   AND NOT NORVANE_DEBIAN_PACKAGES)
  set(NORVANE_PROGRAMS_LINK_STATIC ON)
else()
  set(NORVANE_PROGRAMS_LINK_STATIC OFF)
endif()

function(norvane_static_program target)
  if(NORVANE_PROGRAMS_LINK_STATIC)
    target_link_options(${target} PRIVATE -static)
  endif()
endfunction()
