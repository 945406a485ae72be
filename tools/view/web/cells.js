// A node's cell: the part of space its subtree covers, cut out of the scene's box by the
// half-spaces of its ancestors (the front side of an ancestor's plane for a node in its front
// subtree, the back side otherwise). The splitting plane of an interior node is drawn as its
// polygon inside that cell.
norvaneModules.define("cells", ["vector"], (vector) => {
    "use strict";

    const { add, sub, scale, dot, cross, vlength, normalized } = vector;

    // The part of a convex polygon where a*x + b*y + c*z + d >= 0.
    function clipPolygon(points, plane) {
        const side = (p) => ((plane[0] * p[0] + plane[1] * p[1]) + plane[2] * p[2]) + plane[3];
        const out = [];
        for (let i = 0; i < points.length; i++) {
            const a = points[i], b = points[(i + 1) % points.length], sa = side(a), sb = side(b);
            if (sa >= 0) out.push(a);
            if ((sa >= 0) !== (sb >= 0)) out.push(add(a, scale(sub(b, a), sa / (sa - sb))));
        }
        return out;
    }

    // The half-spaces that bound a node's cell: the scene's box (grown by 1% of its diagonal, so
    // that planes along its faces still show) and the sides of the node's ancestors.
    function cellPlanes(tree, n, bounds) {
        const margin = 0.01 * vlength(sub(bounds.hi, bounds.lo)) + 1e-6;
        const planes = [];
        for (let k = 0; k < 3; k++) {
            const axis = [0, 0, 0];
            axis[k] = 1;
            planes.push([...axis, -(bounds.lo[k] - margin)], [...scale(axis, -1), bounds.hi[k] + margin]);
        }
        for (let child = n, parent = tree.nodes[n].parent; parent >= 0; child = parent, parent = tree.nodes[parent].parent) {
            const p = Array.from(tree.nodes[parent].plane);
            planes.push(tree.nodes[parent].front === child ? p : p.map((x) => -x));
        }
        return planes;
    }

    // The splitting plane of interior node n as a polygon inside its cell; empty for a leaf.
    function cellPolygon(tree, n, bounds) {
        const node = tree.nodes[n];
        if (node.flags === 0 || bounds.empty) return [];
        const normal = [node.plane[0], node.plane[1], node.plane[2]];
        const size = vlength(normal);
        if (!(size > 0) || !Number.isFinite(node.plane[3])) return [];
        // A square in the plane around the point nearest to the box's centre, larger than the box.
        const centre = scale(add(bounds.lo, bounds.hi), 0.5);
        const onPlane = sub(centre, scale(normal, (dot(normal, centre) + node.plane[3]) / (size * size)));
        const u = normalized(cross(normal, Math.abs(normal[0]) < 0.9 * size ? [1, 0, 0] : [0, 1, 0]));
        const v = normalized(cross(normal, u));
        const reach = 2 * vlength(sub(bounds.hi, bounds.lo)) + 1;
        let polygon = [[1, 1], [-1, 1], [-1, -1], [1, -1]].map(([s, t]) => add(onPlane, add(scale(u, s * reach), scale(v, t * reach))));
        for (const plane of cellPlanes(tree, n, bounds)) {
            polygon = clipPolygon(polygon, plane);
            if (polygon.length < 3) return [];
        }
        return polygon;
    }

    return {
        clipPolygon, cellPlanes, cellPolygon
    };
});
