# Header-only libraries from Debian's packages: CLI11 for the tools' command lines and
# stb_image_write for PNG files. Their headers are copied into the build, so that a cross build
# (whose compiler must not search the host's /usr/include) uses them too; they hold no
# platform code. Each becomes an interface target: norvane_cli11, norvane_stb.
function(norvane_header_library target package header)
  find_path(${target}_DIR ${header} PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
  if(NOT ${target}_DIR)
    message(FATAL_ERROR "${header} not found: install Debian's ${package}")
  endif()
  get_filename_component(first ${header} DIRECTORY)
  set(staged ${PROJECT_BINARY_DIR}/third_party/include)
  if(first)
    file(COPY ${${target}_DIR}/${first} DESTINATION ${staged})
  else()
    file(COPY ${${target}_DIR}/${header} DESTINATION ${staged})
  endif()
  add_library(${target} INTERFACE)
  target_include_directories(${target} SYSTEM INTERFACE $<BUILD_INTERFACE:${staged}>)
endfunction()

norvane_header_library(norvane_cli11 libcli11-dev CLI/CLI.hpp)
norvane_header_library(norvane_stb libstb-dev stb/stb_image_write.h)
