# bash completion: one script for the five programs, installed under each program's name in
# share/bash-completion/completions, where bash-completion looks when a program is first
# completed (under /usr and /usr/local; another prefix's share goes into XDG_DATA_DIRS).
if(WIN32)
  return()
endif()
foreach(program norvane norvane-build norvane-dump norvane-scene norvane-view)
  install(FILES ${PROJECT_SOURCE_DIR}/completions/norvane.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${program} COMPONENT programs)
endforeach()
