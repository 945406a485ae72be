#include "view/html_page.h"

#include <cassert>
#include <map>
#include <string_view>

#include "common/json_text.h"
#include "common/number_text.h"
#include "view/base64.h"
#include "view/limits.h"
#include "view/web_assets.h"

namespace norvane::view {
namespace {

std::string jsonVector(const Vec3& v) {
    std::string out = "[";
    for (int k = 0; k < 3; ++k) (out += k ? ", " : "") += doubleText(v[k]);
    return out += "]";
}

// Text for HTML: the markup characters escaped, bytes from 0x80 as Latin-1 characters.
std::string htmlText(const std::string& bytes) {
    std::string out;
    for (const unsigned char c : bytes) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else if (c < 0x20 || c >= 0x7f)
            out += "&#" + std::to_string(c) + ";";
        else
            out += static_cast<char>(c);
    }
    return out;
}

// The template with each {{NAME}} replaced by its value; inserted text is never searched.
std::string fillTemplate(std::string_view page, const std::map<std::string, std::string, std::less<>>& values) {
    std::string out;
    std::size_t at = 0;
    for (;;) {
        const std::size_t open = page.find("{{", at);
        const std::size_t close = open == std::string_view::npos ? open : page.find("}}", open + 2);
        if (close == std::string_view::npos) break;
        const auto value = values.find(page.substr(open + 2, close - open - 2));
        assert(value != values.end());
        out.append(page.substr(at, open - at));
        out += value != values.end() ? value->second : std::string();
        at = close + 2;
    }
    out.append(page.substr(at));
    return out;
}

// The ranges and limits the page shares with the program (view/limits.h).
std::string limitsJson() {
    return "{\"maxImageSide\": " + std::to_string(maxImageSide) +
           ", \"maxImagePixels\": " + std::to_string(maxImagePixels) +
           ", \"minFovDegrees\": " + doubleText(minFovDegrees) + ", \"maxFovDegrees\": " + doubleText(maxFovDegrees) +
           ", \"maxPageOrderingSteps\": " + std::to_string(maxPageOrderingSteps) +
           ", \"maxPageFrameSteps\": " + std::to_string(maxPageFrameSteps) + "}";
}

} // namespace

std::string viewerPage(std::span<const std::uint8_t> treeBytes, const std::string& title,
                       const std::vector<CameraPreset>& cameras) {
    std::string json = "[";
    for (std::size_t i = 0; i < cameras.size(); ++i) {
        const View& v = cameras[i].view;
        json += (i ? ",\n" : "\n") + std::string("{\"name\": ") + jsonString(cameras[i].name, JsonBytes::Ascii) +
                ", \"eye\": " + jsonVector(v.eye) + ", \"forward\": " + jsonVector(v.forward) +
                ", \"fov\": " + doubleText(v.horizontalFov) + ", \"near\": " + doubleText(v.nearDistance) + "}";
    }
    json += "]";
    return fillTemplate(pageTemplate(), {{"TITLE", htmlText(title)},
                                         {"TREE", encodeBase64(treeBytes)},
                                         {"CAMERAS", json},
                                         {"LIMITS", limitsJson()},
                                         {"SCRIPT", std::string(pageScript())}});
}

} // namespace norvane::view
