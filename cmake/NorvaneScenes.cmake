# norvane_add_scenes: scenes compiled into tree files by the build itself.
#
#   norvane_add_scenes(TARGET <name> OUTPUT_DIR <dir> SCENES <scene>... [ALL] [ALLOW_EMPTY]
#                      [FORMAT 50|51|auto] [GIVE_UP_SCORE <n>|none])
#
# Adds one build command per scene, so that Ninja and Make compile the scenes in parallel and
# compile again only a scene whose file changed, or all of them when the compiler did. Each
# writes <dir>/<stem>.bsp, the scene's file name with everything from its last dot replaced by
# ".bsp" (the name norvane gives it), with Norvane::build, byte for byte what norvane writes.
# Relative scenes are taken from the current source folder, a relative OUTPUT_DIR in the
# current build folder. The target <name> depends on every tree (ALL: built by default) and
# lists them in its property NORVANE_TREES. ALLOW_EMPTY lets a scene without faces replace an
# existing tree; otherwise such a scene fails the build and the tree stays. FORMAT and
# GIVE_UP_SCORE pass norvane-build's --format and --give-up-score (version 50 and 65535, norvane's
# tree, by default).
function(norvane_add_scenes)
  cmake_parse_arguments(PARSE_ARGV 0 arg "ALL;ALLOW_EMPTY" "TARGET;OUTPUT_DIR;FORMAT;GIVE_UP_SCORE" "SCENES")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "norvane_add_scenes: unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT arg_TARGET OR NOT arg_OUTPUT_DIR OR NOT arg_SCENES)
    message(FATAL_ERROR "norvane_add_scenes needs TARGET, OUTPUT_DIR and SCENES")
  endif()
  if(NOT TARGET Norvane::build)
    message(FATAL_ERROR "norvane_add_scenes needs the program Norvane::build: find_package(Norvane) first")
  endif()

  cmake_path(ABSOLUTE_PATH arg_OUTPUT_DIR BASE_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}" NORMALIZE OUTPUT_VARIABLE dir)
  file(MAKE_DIRECTORY "${dir}")
  set(flags --quiet)
  if(arg_ALLOW_EMPTY)
    list(APPEND flags --allow-empty)
  endif()
  if(DEFINED arg_FORMAT)
    list(APPEND flags --format "${arg_FORMAT}")
  endif()
  if(DEFINED arg_GIVE_UP_SCORE)
    list(APPEND flags --give-up-score "${arg_GIVE_UP_SCORE}")
  endif()
  set(trees "")
  foreach(scene IN LISTS arg_SCENES)
    cmake_path(ABSOLUTE_PATH scene BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE OUTPUT_VARIABLE source)
    cmake_path(GET source FILENAME name)
    string(FIND "${name}" "." dot REVERSE)
    if(dot GREATER_EQUAL 0)
      string(SUBSTRING "${name}" 0 ${dot} stem)
    else()
      set(stem "${name}")
    endif()
    set(tree "${dir}/${stem}.bsp")
    if(tree IN_LIST trees)
      message(FATAL_ERROR "norvane_add_scenes: two scenes would write ${tree}")
    endif()
    list(APPEND trees "${tree}")
    add_custom_command(OUTPUT "${tree}"
      COMMAND Norvane::build ${flags} --output "${tree}" "${source}"
      DEPENDS "${source}" "$<TARGET_FILE:Norvane::build>"
      COMMENT "Compiling scene ${name}"
      VERBATIM)
  endforeach()
  if(arg_ALL)
    add_custom_target(${arg_TARGET} ALL DEPENDS ${trees})
  else()
    add_custom_target(${arg_TARGET} DEPENDS ${trees})
  endif()
  set_property(TARGET ${arg_TARGET} PROPERTY NORVANE_TREES "${trees}")
endfunction()
