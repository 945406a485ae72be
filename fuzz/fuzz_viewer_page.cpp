// The viewer page norvane-view writes for a tree, titled and with a camera named by the
// options' bytes: whatever the names, no script or markup gets out of its place (the page
// has the template's script elements and no other, and the cameras' JSON is well-formed).
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "support/well_formed.h"
#include "view/html_page.h"

namespace {

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const norvane::fuzz::TreeInput in = norvane::fuzz::splitTreeInput(data, size);
    norvane::TreeFile file;
    if (!norvane::fuzz::readCheckedTree(in.tree, file)) return 0;
    const std::string name(in.options.begin(), in.options.end());
    norvane::view::CameraPreset camera{name, {}};
    camera.view.eye = {in.options[0] * 1e30, -0.0, 1e-300};
    const std::string page = norvane::view::viewerPage(in.tree, name, {camera, camera});
    norvane::fuzz::require(count(page, "<script") == 4 && count(page, "</script") == 4, "one script element each");
    norvane::fuzz::require(count(page, "<title>") == 1 && count(page, "</title>") == 1, "one title");
    const std::size_t start = page.find(">", page.find("<script id=\"camera-data\"")) + 1;
    const std::string cameras = page.substr(start, page.find("</script>", start) - start);
    const std::string problem = norvane::test::jsonProblem(cameras);
    norvane::fuzz::require(problem.empty(), problem.c_str());
    return 0;
}
