# Writes OUTPUT, a C++ source that holds the viewer page's files: TEMPLATE as pageTemplate() and
# the SCRIPTS (a ;-list: the module registry first) joined as pageScript(). Run with cmake -P at
# build time.
function(hex_array name text_var out_var)
  string(HEX "${${text_var}}" hex)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" hex "${hex}")
  set(${out_var} "const unsigned char ${name}[] = {\n${hex}0};\n" PARENT_SCOPE)
endfunction()

file(READ "${TEMPLATE}" page)
set(script "")
foreach(source IN LISTS SCRIPTS)
  file(READ "${source}" text)
  get_filename_component(name "${source}" NAME)
  string(APPEND script "// ${name}\n${text}\n")
endforeach()
hex_array(pageBytes page pageArray)
hex_array(scriptBytes script scriptArray)
file(WRITE "${OUTPUT}.tmp" "// Generated from tools/view/web by embed_web.cmake: do not edit.
#include \"view/web_assets.h\"

namespace norvane::view {
namespace {
${pageArray}
${scriptArray}
} // namespace

std::string_view pageTemplate() { return {reinterpret_cast<const char*>(pageBytes), sizeof pageBytes - 1}; }
std::string_view pageScript() { return {reinterpret_cast<const char*>(scriptBytes), sizeof scriptBytes - 1}; }

} // namespace norvane::view
")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUTPUT}.tmp" "${OUTPUT}")
file(REMOVE "${OUTPUT}.tmp")
