#include "dump/tree_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include <norvane/tree_traversal.h>

#include "common/json_text.h"
#include "common/record_values.h"
#include "dump/plane_clip.h"
#include "dump/scene_json.h"
#include "dump/tree_paths.h"

namespace norvane::dump {
namespace {

constexpr double viewSize = 760, margin = 20, legendHeight = 110;

struct View {
    int u, v;      // the vertex fields drawn across and down
    bool flipDown; // larger v drawn higher up
    double left;   // page x of the view
    double lo[2], scale;
    const char* title;
    const char* id;

    double px(double a) const { return left + margin + (a - lo[0]) * scale; }
    double py(double b) const {
        const double t = (b - lo[1]) * scale;
        return legendHeight + margin + (flipDown ? viewSize - t : t);
    }
    // The third axis, along which the view looks.
    int across() const { return 3 - u - v; }
};

std::string colourOf(std::size_t leaf) {
    // Hues a golden angle apart stay distinct for neighbouring leaves.
    const double hue = std::fmod(static_cast<double>(leaf) * 137.508, 360.0);
    char buf[48];
    std::snprintf(buf, sizeof buf, "hsl(%.0f,70%%,55%%)", hue);
    return buf;
}

std::string number(double v) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

// Text for an SVG element: & < > " escaped. Names arrive as JSON strings (Latin-1 read as UTF-8,
// control bytes as \u00XX), which XML accepts once escaped.
void appendXml(std::string& out, const std::string& text) {
    for (char c : text) switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
}

bool finiteCorner(const TreeFile& file, std::uint32_t corner) {
    if (corner >= file.vertices.size()) return false;
    const Vertex& v = file.vertices[corner];
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Grows [lo, hi] over the finite corners of the subtree's faces, or of every vertex when
// `faces` is false.
void boundsOf(const TreeFile& file, std::int32_t begin, std::int32_t end, bool faces, Point3& lo, Point3& hi) {
    lo = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
    hi = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    auto grow = [&](const Vertex& vertex) {
        const double v[3] = {vertex.x, vertex.y, vertex.z};
        if (!(std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]))) return;
        for (std::size_t k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], v[k]);
            hi[k] = std::max(hi[k], v[k]);
        }
    };
    if (!faces) {
        for (const auto& v : file.vertices) grow(v);
        return;
    }
    for (std::int32_t i = begin; i < end; ++i)
        for (const TreeFileFace& f : file.nodes[static_cast<std::size_t>(i)].faces)
            for (std::uint32_t corner : f.verts)
                if (finiteCorner(file, corner)) grow(file.vertices[corner]);
}

void fitView(View& view, const Point3& lo, const Point3& hi) {
    double l[2] = {lo[static_cast<std::size_t>(view.u)], lo[static_cast<std::size_t>(view.v)]};
    double h[2] = {hi[static_cast<std::size_t>(view.u)], hi[static_cast<std::size_t>(view.v)]};
    if (!(l[0] <= h[0])) l[0] = h[0] = l[1] = h[1] = 0;
    const double span = std::max({h[0] - l[0], h[1] - l[1], 1e-6});
    view.lo[0] = l[0] - (span - (h[0] - l[0])) / 2;
    view.lo[1] = l[1] - (span - (h[1] - l[1])) / 2;
    view.scale = viewSize / span;
}

// The polygon in a view when the plane stands upright there (its normal at most 30 degrees
// from the page): seen edge on it is a line, tilted a narrow band.
std::string planeShape(const View& view, const std::array<double, 4>& plane, const std::vector<Point3>& polygon,
                       double strokeWidth, const std::string& title) {
    const double length = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
    if (polygon.size() < 2 || std::fabs(plane[static_cast<std::size_t>(view.across())]) > 0.5 * length) return {};
    std::string out = "<polygon class=\"plane\" stroke-width=\"" + number(strokeWidth) + "\" points=\"";
    for (const Point3& p : polygon)
        out += number(view.px(p[static_cast<std::size_t>(view.u)])) + "," +
               number(view.py(p[static_cast<std::size_t>(view.v)])) + " ";
    out.back() = '"';
    out += "><title>" + title + "</title></polygon>\n";
    return out;
}

std::string planeText(const Plane& plane) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%.6g x + %.6g y + %.6g z + %.6g = 0", static_cast<double>(plane.a),
                  static_cast<double>(plane.b), static_cast<double>(plane.c), static_cast<double>(plane.d));
    return buf;
}

std::array<double, 4> widened(const Plane& plane) { return {plane.a, plane.b, plane.c, plane.d}; }

// Who is where, for titles: "node 12, depth 5, path FFBB".
std::string nodeLabel(std::size_t index, std::int32_t depth, const std::string& path) {
    return "node " + std::to_string(index) + ", depth " + std::to_string(depth) + ", path " +
           (path.empty() ? std::string("(root)") : shortPath(path));
}

} // namespace

std::string treeSvg(const TreeFile& file, std::int32_t top, int depth) {
    View views[2] = {{0, 2, false, 0, {0, 0}, 1, "plan (x, z)", "plan"},
                     {0, 1, true, viewSize + 2 * margin, {0, 0}, 1, "side (x, y)", "side"}};
    const std::int32_t end = top < 0 ? top : subtreeEnd(file, top);
    const std::int32_t topDepth = top < 0 ? 1 : file.nodes[static_cast<std::size_t>(top)].depth;

    // The scene's box, a little larger so that planes along its sides stay inside, bounds every
    // cell; the views fit the faces drawn.
    Box box;
    boundsOf(file, 0, 0, false, box.lo, box.hi);
    if (!(box.lo[0] <= box.hi[0])) box.lo = box.hi = {0, 0, 0};
    const double reach = std::max({box.hi[0] - box.lo[0], box.hi[1] - box.lo[1], box.hi[2] - box.lo[2]});
    for (std::size_t k = 0; k < 3; ++k) {
        box.lo[k] -= std::max(reach * 0.01, 0.01);
        box.hi[k] += std::max(reach * 0.01, 0.01);
    }
    Point3 lo, hi;
    boundsOf(file, top, end, true, lo, hi);
    if (!(lo[0] <= hi[0])) boundsOf(file, 0, 0, false, lo, hi);
    for (View& v : views) fitView(v, lo, hi);

    std::size_t nodes = 0, leaves = 0, faces = 0;
    std::int32_t levels = 0;
    std::map<std::uint16_t, int> records;
    for (std::int32_t i = std::max(top, 0); i < end; ++i) {
        const TreeFileNode& n = file.nodes[static_cast<std::size_t>(i)];
        ++nodes;
        leaves += n.flags == 0;
        faces += n.faces.size();
        levels = std::max(levels, n.depth - topDepth + 1);
        for (const TreeFileFace& f : n.faces) ++records[f.id];
    }
    std::size_t splits = 0;
    for (const auto& [id, count] : records) splits += count > 1;

    // The walk: one path and one stack of ancestors' half-spaces, each cut back to the parent's
    // and extended at every node, as in pre-order every node between a parent and its child lies
    // in the parent's subtree. They start as those of the drawn root.
    std::string path = top < 0 ? std::string() : nodePath(file, top);
    const std::string topPath = path;
    std::vector<HalfSpace> cell;
    for (std::int32_t child = top, parent = top < 0 ? -1 : file.nodes[static_cast<std::size_t>(top)].parent;
         parent >= 0; child = parent, parent = file.nodes[static_cast<std::size_t>(parent)].parent) {
        const TreeFileNode& p = file.nodes[static_cast<std::size_t>(parent)];
        cell.push_back({widened(p.plane), p.front == child});
    }
    std::reverse(cell.begin(), cell.end());
    std::string shapes[2], planes[2];
    std::size_t leaf = 0;
    for (std::int32_t i = std::max(top, 0); i < end; ++i) {
        const TreeFileNode& node = file.nodes[static_cast<std::size_t>(i)];
        if (i != top) {
            const TreeFileNode& parent = file.nodes[static_cast<std::size_t>(node.parent)];
            const bool front = parent.front == i;
            path.resize(static_cast<std::size_t>(node.depth - 2));
            path += front ? 'F' : 'B';
            if (node.depth - topDepth < depth) { // only the cells of drawn planes are needed
                cell.resize(static_cast<std::size_t>(node.depth - 2));
                cell.push_back({widened(parent.plane), front});
            }
        }
        const std::string label = nodeLabel(static_cast<std::size_t>(i), node.depth, path);
        const bool isLeaf = node.flags == 0;
        for (const TreeFileFace& face : node.faces) {
            std::string title;
            appendXml(title, label);
            title += ", face id " + std::to_string(face.id) + ", material ";
            if (face.material == noMaterialOf(file))
                title += "none";
            else if (face.material < file.materials.size()) {
                std::string name;
                appendJsonString(name, file.materials[face.material]);
                appendXml(title, name);
            } else
                title += std::to_string(face.material) + " (not in the table)";
            bool finite = true;
            for (std::uint32_t corner : face.verts) finite = finite && finiteCorner(file, corner);
            for (int k = 0; k < 2; ++k) {
                const View& view = views[k];
                std::string& out = shapes[k];
                out += isLeaf ? "<polygon class=\"face\" fill=\"" + colourOf(leaf) + "\" points=\""
                              : std::string("<polygon class=\"face stored\" points=\"");
                if (finite) { // one shape per record, with a place only when it has one
                    for (std::uint32_t corner : face.verts) {
                        const std::array<float, 8> v = vertexValues(file.vertices[corner]);
                        out += number(view.px(v[static_cast<std::size_t>(view.u)])) + "," +
                               number(view.py(v[static_cast<std::size_t>(view.v)])) + " ";
                    }
                    out.pop_back();
                }
                out += "\"><title>" + title + "</title></polygon>\n";
            }
        }
        leaf += isLeaf;
        const int level = node.depth - topDepth + 1;
        if (!isLeaf && level <= depth) {
            const auto polygon = planeInCell(widened(node.plane), box, cell, static_cast<double>(frontTolerance));
            std::string title = "plane of ";
            appendXml(title, label);
            title += ": " + planeText(node.plane);
            const double width = std::max(0.6, 2.2 - 0.4 * (level - 1));
            for (int k = 0; k < 2; ++k) planes[k] += planeShape(views[k], widened(node.plane), polygon, width, title);
        }
    }

    // Outlines thin out as faces crowd, so that on big trees the leaves' colours show through.
    const double thin = std::clamp(std::sqrt(2000.0 / std::max<double>(faces, 1)), 0.15, 1.0);
    const double width = 2 * (viewSize + 2 * margin), height = legendHeight + viewSize + 2 * margin;
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      number(width) + "\" height=\"" + number(height) + "\" viewBox=\"0 0 " + number(width) + " " +
                      number(height) +
                      "\">\n"
                      "<style>.face{stroke:#333;stroke-width:" +
                      number(0.4 * thin) +
                      ";stroke-linejoin:round;fill-opacity:0.55}"
                      ".stored{fill:none;stroke:#000;stroke-width:" +
                      number(thin) +
                      "}"
                      ".plane{fill:none;stroke:#c00;stroke-dasharray:6 3;stroke-linejoin:round}"
                      ".empty{fill:#777;font-size:22px;text-anchor:middle}"
                      "text{font-family:sans-serif;font-size:15px}</style>\n"
                      "<rect width=\"100%\" height=\"100%\" fill=\"#fafafa\"/>\n";
    std::string where = "tree";
    if (top > 0) {
        where = "subtree at ";
        appendXml(where, nodeLabel(static_cast<std::size_t>(top), topDepth, topPath));
    }
    char legend[512];
    std::snprintf(legend, sizeof legend,
                  "<text x=\"20\" y=\"30\">%s: nodes %zu, leaves %zu, %s %d, faces %zu, split faces %zu</text>\n",
                  where.c_str(), nodes, leaves, top > 0 ? "levels" : "depth", levels, faces, splits);
    svg += legend;
    svg += "<text x=\"20\" y=\"52\">filled: faces of one leaf in its colour; black outline: faces kept at interior "
           "nodes</text>\n<text x=\"20\" y=\"74\">dashed red: the splitting planes of the first " +
           std::to_string(depth) +
           " levels, each within its node's cell, in the views it stands upright in (thinner further down)</text>\n";
    for (int k = 0; k < 2; ++k) {
        const View& view = views[k];
        const std::string x = number(view.left + margin), y = number(legendHeight + margin), side = number(viewSize);
        svg += "<text x=\"" + x + "\" y=\"" + number(legendHeight - 10) + "\">" + view.title + "</text>\n";
        svg += "<clipPath id=\"" + std::string(view.id) + "\"><rect x=\"" + x + "\" y=\"" + y + "\" width=\"" + side +
               "\" height=\"" + side + "\"/></clipPath>\n";
        svg += "<rect x=\"" + x + "\" y=\"" + y + "\" width=\"" + side + "\" height=\"" + side +
               "\" fill=\"#fff\" stroke=\"#999\"/>\n";
        svg += "<g clip-path=\"url(#" + std::string(view.id) + ")\">\n" + shapes[k] + planes[k] + "</g>\n";
        if (faces == 0)
            svg += "<text class=\"empty\" x=\"" + number(view.left + margin + viewSize / 2) + "\" y=\"" +
                   number(legendHeight + margin + viewSize / 2) + "\">" +
                   (top > 0 ? "this subtree stores no faces" : "empty: the tree stores no faces") + "</text>\n";
    }
    svg += "</svg>\n";
    return svg;
}

} // namespace norvane::dump
