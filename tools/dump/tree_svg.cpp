// norvane-dump tree --svg: a plan view (x across, z down the page) and a side view (x across,
// y up) of every face record; each leaf's faces filled in a colour of their own, faces kept at
// interior nodes outlined, and the splitting planes of the first levels drawn as lines.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>

#include "dump_commands.h"
#include "norvane/tree_file.h"

namespace norvane::dump {
namespace {

constexpr double viewSize = 760, margin = 20, legendHeight = 110;
constexpr int planeDepth = 4; // splitting planes drawn down to this depth

struct View {
    int u, v;       // the vertex fields drawn across and down
    bool flipDown;  // larger v drawn higher up
    double left;    // page x of the view
    double lo[2], scale;
    const char* title;

    double px(double a) const { return left + margin + (a - lo[0]) * scale; }
    double py(double b) const {
        const double t = (b - lo[1]) * scale;
        return legendHeight + margin + (flipDown ? viewSize - t : t);
    }
};

std::string colourOf(int leaf) {
    // Hues a golden angle apart stay distinct for neighbouring leaves.
    const double hue = std::fmod(leaf * 137.508, 360.0);
    char buf[48];
    std::snprintf(buf, sizeof buf, "hsl(%.0f,70%%,55%%)", hue);
    return buf;
}

std::string number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

void fitView(View& view, const TreeFile& file) {
    double lo[2] = {HUGE_VAL, HUGE_VAL}, hi[2] = {-HUGE_VAL, -HUGE_VAL};
    for (const auto& v : file.vertices)
        for (int k = 0; k < 2; ++k) {
            const double c = v[k == 0 ? view.u : view.v];
            if (!std::isfinite(c)) continue;
            lo[k] = std::min(lo[k], c);
            hi[k] = std::max(hi[k], c);
        }
    if (lo[0] > hi[0]) lo[0] = hi[0] = lo[1] = hi[1] = 0;
    const double span = std::max({hi[0] - lo[0], hi[1] - lo[1], 1e-6});
    view.lo[0] = lo[0] - (span - (hi[0] - lo[0])) / 2;
    view.lo[1] = lo[1] - (span - (hi[1] - lo[1])) / 2;
    view.scale = viewSize / span;
}

// The plane a*p[u] + b*p[v] + d = 0 across the view's square, when the plane stands upright
// in that view; empty otherwise.
std::string planeLine(const View& view, const float* plane) {
    const double a = plane[view.u], b = plane[view.v], d = plane[3];
    const int other = 3 - view.u - view.v;
    if (!(std::isfinite(a) && std::isfinite(b) && std::isfinite(d)) || std::fabs(plane[other]) > 0.5) return {};
    const double span = viewSize / view.scale;
    const double x0 = view.lo[0], x1 = x0 + span, y0 = view.lo[1], y1 = y0 + span;
    std::vector<std::pair<double, double>> hits;
    if (std::fabs(b) > 1e-9)
        for (double x : {x0, x1}) {
            const double y = -(a * x + d) / b;
            if (y >= y0 && y <= y1) hits.emplace_back(x, y);
        }
    if (std::fabs(a) > 1e-9)
        for (double y : {y0, y1}) {
            const double x = -(b * y + d) / a;
            if (x >= x0 && x <= x1) hits.emplace_back(x, y);
        }
    if (hits.size() < 2) return {};
    return "<line class=\"plane\" x1=\"" + number(view.px(hits[0].first)) + "\" y1=\"" +
           number(view.py(hits[0].second)) + "\" x2=\"" + number(view.px(hits[1].first)) + "\" y2=\"" +
           number(view.py(hits[1].second)) + "\"/>\n";
}

} // namespace

bool writeTreeSvg(const TreeFile& file, const std::string& path, std::string& error) {
    View views[2] = {{0, 2, false, 0, {0, 0}, 1, "plan (x, z)"},
                     {0, 1, true, viewSize + 2 * margin, {0, 0}, 1, "side (x, y)"}};
    for (View& v : views) fitView(v, file);

    std::size_t leaves = 0, faces = 0;
    int depth = 0;
    std::map<std::uint16_t, int> records;
    for (const TreeFileNode& n : file.nodes) {
        leaves += n.flags == 0;
        faces += n.faces.size();
        depth = std::max(depth, n.depth);
        for (const TreeFileFace& f : n.faces) ++records[f.id];
    }
    std::size_t splits = 0;
    for (const auto& [id, count] : records) splits += count > 1;

    const double width = 2 * (viewSize + 2 * margin), height = legendHeight + viewSize + 2 * margin;
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(width) + "\" height=\"" +
                      number(height) + "\" viewBox=\"0 0 " + number(width) + " " + number(height) + "\">\n"
                      "<style>.face{stroke:#333;stroke-width:0.4;stroke-linejoin:round}"
                      ".stored{fill:none;stroke:#000;stroke-width:1}"
                      ".plane{stroke:#c00;stroke-width:1;stroke-dasharray:6 3}"
                      "text{font-family:sans-serif;font-size:15px}</style>\n"
                      "<rect width=\"100%\" height=\"100%\" fill=\"#fafafa\"/>\n";
    char legend[256];
    std::snprintf(legend, sizeof legend,
                  "<text x=\"20\" y=\"30\">nodes %zu, leaves %zu, depth %d, faces %zu, split faces %zu</text>\n",
                  file.nodes.size(), leaves, depth, faces, splits);
    svg += legend;
    svg += "<text x=\"20\" y=\"55\">filled: faces of one leaf in its colour; black outline: faces kept at "
           "interior nodes; dashed red: splitting planes to depth " + std::to_string(planeDepth) + "</text>\n";
    for (const View& view : views) {
        svg += "<text x=\"" + number(view.left + margin) + "\" y=\"" + number(legendHeight - 10) + "\">" +
               view.title + "</text>\n";
        svg += "<rect x=\"" + number(view.left + margin) + "\" y=\"" + number(legendHeight + margin) +
               "\" width=\"" + number(viewSize) + "\" height=\"" + number(viewSize) +
               "\" fill=\"#fff\" stroke=\"#999\"/>\n";
        int leaf = 0;
        for (const TreeFileNode& node : file.nodes) {
            const bool isLeaf = node.flags == 0;
            const std::string style =
                isLeaf ? " fill=\"" + colourOf(leaf) + "\" fill-opacity=\"0.55\"" : std::string(" ");
            for (const TreeFileFace& face : node.faces) {
                std::string points;
                bool finite = true;
                for (std::uint16_t corner : face.verts) {
                    if (corner >= file.vertices.size()) {
                        finite = false;
                        break;
                    }
                    const auto& v = file.vertices[corner];
                    const double a = v[view.u], b = v[view.v];
                    if (!std::isfinite(a) || !std::isfinite(b)) finite = false;
                    points += number(view.px(a)) + "," + number(view.py(b)) + " ";
                }
                if (!finite) points.clear(); // one shape per record, drawn only when it has a place
                svg += "<polygon class=\"face" + std::string(isLeaf ? "" : " stored") + "\"" + style +
                       " points=\"" + points + "\"/>\n";
            }
            leaf += isLeaf;
        }
        for (const TreeFileNode& node : file.nodes)
            if (node.flags != 0 && node.depth <= planeDepth) svg += planeLine(view, node.plane);
    }
    svg += "</svg>\n";

    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        error = "cannot create the file";
        return false;
    }
    const bool ok = std::fwrite(svg.data(), 1, svg.size(), out) == svg.size();
    if (std::fclose(out) != 0 || !ok) {
        error = "cannot write the file";
        return false;
    }
    return true;
}

} // namespace norvane::dump
