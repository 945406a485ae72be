# The Python reader, installed as the system Python's module: by default to
# lib/python3/dist-packages, where Debian's /usr/bin/python3 finds what packages install.
# Windows installs have no Python reader; the wheel serves every platform.
if(WIN32)
  return()
endif()
set(NORVANE_PYTHON_DIR "lib/python3/dist-packages" CACHE STRING
  "Folder the Python reader norvane_bsp installs into, relative to the prefix")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/norvane_bsp DESTINATION ${NORVANE_PYTHON_DIR} COMPONENT python
  FILES_MATCHING PATTERN "*.py" PATTERN "py.typed" PATTERN "__pycache__" EXCLUDE)
