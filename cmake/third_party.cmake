# Header-only libraries from Debian's packages: CLI11 for the tools' command lines and
# stb_image_write for PNG files, tinygltf (with nlohmann's JSON) and tinyobjloader for glTF and
# OBJ scenes. Their headers are copied into the build, so that a cross build
# (whose compiler must not search the host's /usr/include) uses them too; they hold no
# platform code. Each becomes an interface target: norvane_cli11, norvane_stb, norvane_tinygltf,
# norvane_json, norvane_tinyobj.
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
norvane_header_library(norvane_json nlohmann-json3-dev nlohmann/json.hpp)
norvane_header_library(norvane_tinygltf libtinygltf-dev tiny_gltf.h)
norvane_header_library(norvane_tinyobj libtinyobjloader-dev tiny_obj_loader.h)
# Scenes need no pixels: tinygltf decodes and writes no image and opens no image file.
target_compile_definitions(norvane_tinygltf INTERFACE TINYGLTF_NO_STB_IMAGE TINYGLTF_NO_STB_IMAGE_WRITE
  TINYGLTF_NO_EXTERNAL_IMAGE)
target_link_libraries(norvane_tinygltf INTERFACE norvane_json)
