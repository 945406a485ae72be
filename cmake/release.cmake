# NORVANE_RELEASE_DATE: the date CHANGELOG.md gives this version ("## [5.0] - 2026-12-10"), which
# the manual pages and the Debian changelog carry, so that a rebuild writes the same bytes.
# A version the changelog has not released yet is dated "unreleased" (the version test fails).
file(STRINGS ${PROJECT_SOURCE_DIR}/CHANGELOG.md norvaneReleaseLines REGEX "^## \\[")
string(REPLACE "." "\\." norvaneVersionPattern "${PROJECT_VERSION}")
set(NORVANE_RELEASE_DATE unreleased)
foreach(line IN LISTS norvaneReleaseLines)
  if(line MATCHES "^## \\[${norvaneVersionPattern}\\] - ([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9])$")
    set(NORVANE_RELEASE_DATE ${CMAKE_MATCH_1})
  endif()
endforeach()
if(NORVANE_RELEASE_DATE STREQUAL "unreleased")
  message(WARNING "CHANGELOG.md has no \"## [${PROJECT_VERSION}] - YYYY-MM-DD\" section for this version")
endif()
