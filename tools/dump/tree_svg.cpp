#include "dump/tree_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include <norvane/tree_traversal.h>

#include "common/json_text.h"
#include "common/number_text.h"
#include "common/record_values.h"
#include "dump/plane_clip.h"
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

std::string number(double v) { return fixedText(v, 2); }

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

// The drawn subtree: a run of nodes in file order, its root at `top`.
struct Subtree {
    const TreeFile& file;
    std::int32_t top, end, topDepth;
    int depth; // the levels whose planes are drawn
};

Subtree subtreeAt(const TreeFile& file, std::int32_t top, int depth) {
    return {file, top, top < 0 ? top : subtreeEnd(file, top),
            top < 0 ? 1 : file.nodes[static_cast<std::size_t>(top)].depth, depth};
}

// The two views, fitted to the subtree's faces (or to every vertex when it has none), and the
// scene's box, a little larger so that planes along its sides stay inside: it bounds every cell.
struct Layout {
    View views[2] = {{0, 2, false, 0, {0, 0}, 1, "plan (x, z)", "plan"},
                     {0, 1, true, viewSize + 2 * margin, {0, 0}, 1, "side (x, y)", "side"}};
    Box box;
};

Layout layoutOf(const Subtree& s) {
    Layout layout;
    Box& box = layout.box;
    boundsOf(s.file, 0, 0, false, box.lo, box.hi);
    if (!(box.lo[0] <= box.hi[0])) box.lo = box.hi = {0, 0, 0};
    const double reach = std::max({box.hi[0] - box.lo[0], box.hi[1] - box.lo[1], box.hi[2] - box.lo[2]});
    for (std::size_t k = 0; k < 3; ++k) {
        box.lo[k] -= std::max(reach * 0.01, 0.01);
        box.hi[k] += std::max(reach * 0.01, 0.01);
    }
    Point3 lo, hi;
    boundsOf(s.file, s.top, s.end, true, lo, hi);
    if (!(lo[0] <= hi[0])) boundsOf(s.file, 0, 0, false, lo, hi);
    for (View& v : layout.views) fitView(v, lo, hi);
    return layout;
}

// What the legend says of the subtree.
struct Counts {
    std::size_t nodes = 0, leaves = 0, faces = 0, splits = 0;
    std::int32_t levels = 0;
};

Counts countsOf(const Subtree& s) {
    Counts c;
    std::map<std::uint32_t, int> records;
    for (std::int32_t i = std::max(s.top, 0); i < s.end; ++i) {
        const TreeFileNode& n = s.file.nodes[static_cast<std::size_t>(i)];
        ++c.nodes;
        c.leaves += n.flags == 0;
        c.faces += n.faces.size();
        c.levels = std::max(c.levels, n.depth - s.topDepth + 1);
        for (const TreeFileFace& f : n.faces) ++records[f.id];
    }
    for (const auto& [id, count] : records) c.splits += count > 1;
    return c;
}

// The walk over the subtree in file order, keeping one path and one stack of ancestors'
// half-spaces, each cut back to the parent's and extended at every node: in pre-order every
// node between a parent and its child lies in the parent's subtree. They start as those of the
// drawn root. `visit(index, node, path, cell)` sees each node.
template <class Visit> void walk(const Subtree& s, Visit visit) {
    const TreeFile& file = s.file;
    std::string path = s.top < 0 ? std::string() : nodePath(file, s.top);
    std::vector<HalfSpace> cell;
    for (std::int32_t child = s.top, parent = s.top < 0 ? -1 : file.nodes[static_cast<std::size_t>(s.top)].parent;
         parent >= 0; child = parent, parent = file.nodes[static_cast<std::size_t>(parent)].parent) {
        const TreeFileNode& p = file.nodes[static_cast<std::size_t>(parent)];
        cell.push_back({widened(p.plane), p.front == child});
    }
    std::reverse(cell.begin(), cell.end());
    for (std::int32_t i = std::max(s.top, 0); i < s.end; ++i) {
        const TreeFileNode& node = file.nodes[static_cast<std::size_t>(i)];
        if (i != s.top) {
            const TreeFileNode& parent = file.nodes[static_cast<std::size_t>(node.parent)];
            const bool front = parent.front == i;
            path.resize(static_cast<std::size_t>(node.depth - 2));
            path += front ? 'F' : 'B';
            if (node.depth - s.topDepth < s.depth) { // only the cells of drawn planes are needed
                cell.resize(static_cast<std::size_t>(node.depth - 2));
                cell.push_back({widened(parent.plane), front});
            }
        }
        visit(i, node, path, cell);
    }
}

// ", face id 7, material "Stone"" after the node's label, markup escaped.
std::string faceTitle(const TreeFile& file, const std::string& label, const TreeFileFace& face) {
    std::string title;
    appendXml(title, label);
    title += ", face id " + std::to_string(face.id) + ", material ";
    if (face.material == noMaterialOf(file))
        title += "none";
    else if (face.material < file.materials.size())
        appendXml(title, jsonString(file.materials[face.material]));
    else
        title += std::to_string(face.material) + " (not in the table)";
    return title;
}

// One polygon per face record, with a place only when it has one: finite corners and a finite
// plane, the faces norvane-view draws.
std::string faceShape(const TreeFile& file, const View& view, const TreeFileFace& face, bool isLeaf, std::size_t leaf,
                      const std::string& title) {
    std::string out = isLeaf ? "<polygon class=\"face\" fill=\"" + colourOf(leaf) + "\" points=\""
                             : std::string("<polygon class=\"face stored\" points=\"");
    bool finite = true;
    for (std::uint32_t corner : face.verts) finite = finite && finiteCorner(file, corner);
    for (const float p : planeValues(face.plane)) finite = finite && std::isfinite(p);
    if (finite) {
        for (std::uint32_t corner : face.verts) {
            const std::array<float, 8> v = vertexValues(file.vertices[corner]);
            out += number(view.px(v[static_cast<std::size_t>(view.u)])) + "," +
                   number(view.py(v[static_cast<std::size_t>(view.v)])) + " ";
        }
        out.pop_back();
    }
    out += "\"><title>" + title + "</title></polygon>\n";
    return out;
}

// Every face record of the subtree in one view.
void writeFaces(const Subtree& s, const View& view, const TextWriter& write) {
    std::size_t leaf = 0;
    walk(s, [&](std::int32_t i, const TreeFileNode& node, const std::string& path, const std::vector<HalfSpace>&) {
        const std::string label = nodeLabel(static_cast<std::size_t>(i), node.depth, path);
        const bool isLeaf = node.flags == 0;
        for (const TreeFileFace& face : node.faces)
            write(faceShape(s.file, view, face, isLeaf, leaf, faceTitle(s.file, label, face)));
        leaf += isLeaf;
    });
}

// The planes of the first `depth` levels in one view, within their cells.
void writePlanes(const Subtree& s, const Layout& layout, const View& view, const TextWriter& write) {
    walk(s, [&](std::int32_t i, const TreeFileNode& node, const std::string& path, const std::vector<HalfSpace>& cell) {
        const int level = node.depth - s.topDepth + 1;
        if (node.flags == 0 || level > s.depth) return;
        const auto polygon = planeInCell(widened(node.plane), layout.box, cell, static_cast<double>(frontTolerance));
        std::string title = "plane of ";
        appendXml(title, nodeLabel(static_cast<std::size_t>(i), node.depth, path));
        title += ": " + planeText(node.plane);
        const double width = std::max(0.6, 2.2 - 0.4 * (level - 1));
        write(planeShape(view, widened(node.plane), polygon, width, title));
    });
}

// The document's start: the page, its styles (outlines thin out as faces crowd, so that on big
// trees the leaves' colours show through) and the legend.
std::string header(const Subtree& s, const Counts& c) {
    const double thin = std::clamp(std::sqrt(2000.0 / std::max<double>(c.faces, 1)), 0.15, 1.0);
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
    if (s.top > 0) {
        where = "subtree at ";
        appendXml(where, nodeLabel(static_cast<std::size_t>(s.top), s.topDepth, nodePath(s.file, s.top)));
    }
    char legend[512];
    std::snprintf(legend, sizeof legend,
                  "<text x=\"20\" y=\"30\">%s: nodes %zu, leaves %zu, %s %d, faces %zu, split faces %zu</text>\n",
                  where.c_str(), c.nodes, c.leaves, s.top > 0 ? "levels" : "depth", c.levels, c.faces, c.splits);
    svg += legend;
    svg += "<text x=\"20\" y=\"52\">filled: faces of one leaf in its colour; black outline: faces kept at interior "
           "nodes</text>\n<text x=\"20\" y=\"74\">dashed red: the splitting planes of the first " +
           std::to_string(s.depth) +
           " levels, each within its node's cell, in the views it stands upright in (thinner further down)</text>\n";
    return svg;
}

// One view: its title, its frame, and the faces and planes clipped to it.
void writeView(const Subtree& s, const Layout& layout, const View& view, const Counts& c, const TextWriter& write) {
    const std::string x = number(view.left + margin), y = number(legendHeight + margin), side = number(viewSize);
    write("<text x=\"" + x + "\" y=\"" + number(legendHeight - 10) + "\">" + view.title + "</text>\n");
    write("<clipPath id=\"" + std::string(view.id) + "\"><rect x=\"" + x + "\" y=\"" + y + "\" width=\"" + side +
          "\" height=\"" + side + "\"/></clipPath>\n");
    write("<rect x=\"" + x + "\" y=\"" + y + "\" width=\"" + side + "\" height=\"" + side +
          "\" fill=\"#fff\" stroke=\"#999\"/>\n");
    write("<g clip-path=\"url(#" + std::string(view.id) + ")\">\n");
    writeFaces(s, view, write);
    writePlanes(s, layout, view, write);
    write("</g>\n");
    if (c.faces == 0)
        write("<text class=\"empty\" x=\"" + number(view.left + margin + viewSize / 2) + "\" y=\"" +
              number(legendHeight + margin + viewSize / 2) + "\">" +
              (s.top > 0 ? "this subtree stores no faces" : "empty: the tree stores no faces") + "</text>\n");
}

} // namespace

void writeTreeSvg(const TreeFile& file, std::int32_t top, int depth, const TextWriter& write) {
    const Subtree s = subtreeAt(file, top, depth);
    const Layout layout = layoutOf(s);
    const Counts counts = countsOf(s);
    write(header(s, counts));
    for (const View& view : layout.views) writeView(s, layout, view, counts, write);
    write("</svg>\n");
}

std::string treeSvg(const TreeFile& file, std::int32_t top, int depth) {
    std::string svg;
    writeTreeSvg(file, top, depth, [&svg](std::string_view piece) { svg += piece; });
    return svg;
}

} // namespace norvane::dump
