# Run by cpack on the staged files of the Debian packages (CPACK_PRE_BUILD_SCRIPTS), after its
# own strip: takes the compiler's .comment and .note sections out of the programs, and the
# debug sections too out of the static library, as Debian's dh_strip does.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
file(GLOB_RECURSE programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*/usr/bin/*")
file(GLOB_RECURSE libraries LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*.a")
foreach(program IN LISTS programs)
  execute_process(COMMAND ${CPACK_NORVANE_STRIP} --remove-section=.comment --remove-section=.note ${program}
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
foreach(library IN LISTS libraries)
  execute_process(COMMAND ${CPACK_NORVANE_STRIP} --strip-debug --remove-section=.comment --remove-section=.note
    --enable-deterministic-archives ${library} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
message(STATUS "Stripped as Debian strips: ${programs};${libraries}")
