# Manual pages, made at build time by man/make_manpage.py: norvane(1) and norvane-bsp(5) from
# their sources in man/ alone, and each tool's page from its source and the tool's own --help,
# so that a page lists exactly the options its program takes. The tools must run to give their
# help, so a cross build has no pages; Windows has no man either.
if(CMAKE_CROSSCOMPILING OR WIN32)
  return()
endif()
find_package(Python3 COMPONENTS Interpreter)
if(NOT Python3_Interpreter_FOUND)
  message(STATUS "No manual pages: they are made with Python 3")
  return()
endif()

# norvane_man_page(SOURCE [PROGRAM TARGET]): man/NAME.SECTION.in -> man/NAME.SECTION.gz in the
# build, installed to share/man/manSECTION with the programs.
function(norvane_man_page source)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "PROGRAM" "")
  get_filename_component(page ${source} NAME_WLE)
  string(REGEX MATCH "[1-9]$" section ${page})
  set(output ${PROJECT_BINARY_DIR}/man/${page}.gz)
  set(script ${PROJECT_SOURCE_DIR}/man/make_manpage.py)
  set(command ${Python3_EXECUTABLE} ${script} --source ${PROJECT_SOURCE_DIR}/${source} --output ${output}
    --version ${PROJECT_VERSION} --date ${NORVANE_RELEASE_DATE})
  set(depends ${PROJECT_SOURCE_DIR}/${source} ${script})
  if(arg_PROGRAM)
    list(APPEND command --program $<TARGET_FILE:${arg_PROGRAM}>)
    list(APPEND depends ${arg_PROGRAM})
  endif()
  add_custom_command(OUTPUT ${output} COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${command} DEPENDS ${depends} COMMENT "Manual page ${page}" VERBATIM)
  install(FILES ${output} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT programs)
  set_property(GLOBAL APPEND PROPERTY NORVANE_MAN_PAGES ${output})
endfunction()

norvane_man_page(man/norvane.1.in)
norvane_man_page(man/norvane-build.1.in PROGRAM norvane-build)
norvane_man_page(man/norvane-dump.1.in PROGRAM norvane-dump)
norvane_man_page(man/norvane-scene.1.in PROGRAM norvane-scene)
norvane_man_page(man/norvane-view.1.in PROGRAM norvane-view)
norvane_man_page(man/norvane-bsp.5.in)
get_property(norvaneManPages GLOBAL PROPERTY NORVANE_MAN_PAGES)
add_custom_target(norvane_man_pages ALL DEPENDS ${norvaneManPages})
