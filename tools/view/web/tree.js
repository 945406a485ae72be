// The tree file read from its bytes (docs/FORMAT.md) and walked from an eye point, as the C++
// library and norvane-view do it: the same side test, the same order, the same leaf rules, so
// that the page paints what the program's PNG shows.
norvaneModules.define("tree", [], () => {
    "use strict";

    const FRONT_TOLERANCE = Math.fround(0.001);

    function readTree(bytes) {
        const data = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
        if (bytes.length < 11 || String.fromCharCode(bytes[0], bytes[1], bytes[2]) !== "BSP")
            throw new Error("not a tree file");
        let at = 3;
        const u16 = () => { const v = data.getUint16(at, true); at += 2; return v; };
        const u32 = () => { const v = data.getUint32(at, true); at += 4; return v; };
        const f32 = () => { const v = data.getFloat32(at, true); at += 4; return v; };
        const version = u16();
        // Version 51 holds every count and index in 32 bits, version 50 in 16; a face without
        // material is -1 in the tree read, whichever the version spelt it.
        const count = version === 51 ? u32 : u16;
        const noMaterial = version === 51 ? 0xFFFFFFFF : 0xFFFF;
        const vertexCount = count(), faceCount = count(), materialCount = count();
        const materials = [];
        for (let m = 0; m < materialCount; m++, at += 256) {
            let name = "";
            for (let k = at; k < at + 256 && bytes[k] !== 0; k++) name += String.fromCharCode(bytes[k]);
            materials.push(name);
        }
        const positions = new Float32Array(vertexCount * 3);
        for (let v = 0; v < vertexCount; v++, at += 20)
            for (let k = 0; k < 3; k++) positions[3 * v + k] = f32();
        // Nodes in pre-order: after a record comes its front subtree, then its back subtree.
        const nodes = [], corners = [], ids = [], faceMaterials = [], planes = [], faceNode = [];
        const pending = [{ parent: -1, front: false }];
        while (pending.length > 0) {
            const { parent, front } = pending.pop();
            const index = nodes.length;
            const flags = u16();
            const plane = new Float32Array([f32(), f32(), f32(), f32()]);
            const faces = count();
            const node = { index, flags, plane, first: ids.length, count: faces, parent, front: -1, back: -1,
                           depth: parent < 0 ? 1 : nodes[parent].depth + 1 };
            if (parent >= 0) nodes[parent][front ? "front" : "back"] = index;
            for (let f = 0; f < faces; f++) {
                corners.push(count(), count(), count());
                ids.push(count());
                const material = count();
                faceMaterials.push(material === noMaterial ? -1 : material);
                planes.push(f32(), f32(), f32(), f32());
                faceNode.push(index);
            }
            nodes.push(node);
            if (flags & 2) pending.push({ parent: index, front: false });
            if (flags & 1) pending.push({ parent: index, front: true });
        }
        const tree = { version, vertexCount, faceCount, materials, positions, nodes,
                       corners: Uint32Array.from(corners), ids: Uint32Array.from(ids),
                       faceMaterials: Int32Array.from(faceMaterials), planes: Float32Array.from(planes),
                       faceNode: Int32Array.from(faceNode) };
        tree.subtreeEnd = subtreeEnds(tree);
        tree.drawable = Uint8Array.from(tree.ids, (id, f) => isDrawable(tree, f));
        return tree;
    }

    // The nodes of a subtree are consecutive in pre-order: node n's subtree ends before subtreeEnd[n].
    function subtreeEnds(tree) {
        const end = new Int32Array(tree.nodes.length);
        for (let n = tree.nodes.length - 1; n >= 0; n--) {
            const node = tree.nodes[n];
            end[n] = node.back >= 0 ? end[node.back] : node.front >= 0 ? end[node.front] : n + 1;
        }
        return end;
    }

    // float(((a*x + b*y) + c*z) + d) for a plane stored at planes[at..at+3].
    function planeSide(planes, at, x, y, z) {
        return Math.fround(((planes[at] * x + planes[at + 1] * y) + planes[at + 2] * z) + planes[at + 3]);
    }

    function isInFront(planes, at, eye) {
        return planeSide(planes, at, eye[0], eye[1], eye[2]) > FRONT_TOLERANCE;
    }

    function cornerPosition(tree, face, c) {
        const v = 3 * tree.corners[3 * face + c];
        return [tree.positions[v], tree.positions[v + 1], tree.positions[v + 2]];
    }

    // A face draws nothing when its plane or a corner is not finite.
    function isDrawable(tree, face) {
        for (let k = 0; k < 4; k++) if (!Number.isFinite(tree.planes[4 * face + k])) return false;
        for (let c = 0; c < 3; c++)
            for (const x of cornerPosition(tree, face, c)) if (!Number.isFinite(x)) return false;
        return true;
    }

    function treeBounds(tree) {
        const lo = [0, 0, 0], hi = [0, 0, 0];
        let empty = true;
        for (let f = 0; f < tree.ids.length; f++) {
            if (!tree.drawable[f]) continue;
            for (let c = 0; c < 3; c++) {
                const v = 3 * tree.corners[3 * f + c];
                for (let k = 0; k < 3; k++) {
                    const x = tree.positions[v + k];
                    lo[k] = empty ? x : Math.min(lo[k], x);
                    hi[k] = empty ? x : Math.max(hi[k], x);
                }
                empty = false;
            }
        }
        return { lo, hi, empty };
    }

    // Node kinds: how a node's faces are ordered among themselves.
    const IN_PLANE = 0, ALL_BEHIND = 1, ALL_IN_FRONT = 2, UNSEPARATED = 3;

    // Every distinct corner of the leaf's drawable faces against every distinct plane of them: a
    // corner in front of some plane and one behind some plane make the leaf unseparated, unless
    // every corner lies on one of the planes.
    // `budget.left` counts the side tests still allowed; null once they run out.
    function classifyLeaf(tree, node, budget = { left: Infinity }) {
        const cornerSet = new Set(), planeSet = new Map();
        const bits = new Uint32Array(tree.planes.buffer);
        for (let f = node.first; f < node.first + node.count; f++) {
            if (!isDrawable(tree, f)) continue;
            for (let c = 0; c < 3; c++) cornerSet.add(tree.corners[3 * f + c]);
            planeSet.set(`${bits[4 * f]},${bits[4 * f + 1]},${bits[4 * f + 2]},${bits[4 * f + 3]}`, 4 * f);
        }
        const p = tree.positions;
        const side = (at, v) => planeSide(tree.planes, at, p[3 * v], p[3 * v + 1], p[3 * v + 2]);
        // Faces that all lie on one of their planes are in one plane.
        // The budget counts the corners tested, up to the first off the plane in the first pass.
        const corners = [...cornerSet];
        for (const at of planeSet.values()) {
            let tested = 0;
            const onPlane = corners.every((v) => ++tested && Math.abs(side(at, v)) <= FRONT_TOLERANCE);
            if ((budget.left -= tested) < 0) return null;
            if (onPlane) return IN_PLANE;
        }
        let inFront = false, behind = false;
        for (const at of planeSet.values()) {
            if ((budget.left -= corners.length) < 0) return null;
            for (const v of corners) {
                const s = side(at, v);
                if (s > FRONT_TOLERANCE) inFront = true;
                else if (s < -FRONT_TOLERANCE) behind = true;
            }
            if (inFront && behind) return UNSEPARATED;
        }
        return inFront ? ALL_IN_FRONT : behind ? ALL_BEHIND : IN_PLANE;
    }

    // The kinds of all nodes; null when ordering the leaves takes more side tests than `budget.left`.
    function classifyNodes(tree, budget = { left: Infinity }) {
        const kinds = new Uint8Array(tree.nodes.length);
        for (const node of tree.nodes) {
            const kind = node.flags === 0 ? classifyLeaf(tree, node, budget) : IN_PLANE;
            if (kind === null) return null;
            kinds[node.index] = kind;
        }
        return kinds;
    }

    // Nodes farthest first from the eye (a float triple), as the library's backToFront.
    function visitBackToFront(tree, eye, visit) {
        if (tree.nodes.length === 0) return;
        const stack = [0];  // a node to expand, or ~node: the node itself to visit
        while (stack.length > 0) {
            const step = stack.pop();
            if (step < 0) { visit(~step); continue; }
            const node = tree.nodes[step];
            const eyeInFront = isInFront(node.plane, 0, eye);
            const first = eyeInFront ? node.back : node.front, second = eyeInFront ? node.front : node.back;
            if (second >= 0) stack.push(second);
            stack.push(~step);
            if (first >= 0) stack.push(first);
        }
    }

    // The drawable faces of a node in the order that paints them right for the eye: see draw_order.h.
    function appendNodeFaces(tree, n, kind, eyeExact, eye, out) {
        const node = tree.nodes[n], end = node.first + node.count;
        if (kind === IN_PLANE) {
            for (let f = node.first; f < end; f++) if (tree.drawable[f]) out.push(f);
        } else if (kind === ALL_BEHIND || kind === ALL_IN_FRONT) {
            const firstFacingEye = kind === ALL_IN_FRONT;
            for (const facing of [firstFacingEye, !firstFacingEye])
                for (let f = node.first; f < end; f++)
                    if (tree.drawable[f] && isInFront(tree.planes, 4 * f, eye) === facing) out.push(f);
        } else {
            const byDistance = [];
            for (let f = node.first; f < end; f++) {
                if (!tree.drawable[f]) continue;
                const c0 = cornerPosition(tree, f, 0), c1 = cornerPosition(tree, f, 1), c2 = cornerPosition(tree, f, 2);
                const d = [0, 1, 2].map((k) => ((c0[k] + c1[k]) + c2[k]) * (1.0 / 3.0) - eyeExact[k]);
                byDistance.push([-((d[0] * d[0] + d[1] * d[1]) + d[2] * d[2]), f]);
            }
            byDistance.sort((a, b) => a[0] - b[0]);  // stable: equal distances keep the stored order
            for (const [, f] of byDistance) out.push(f);
        }
    }

    // The path of F and B steps from the root down to a node.
    function nodePath(tree, n) {
        const steps = [];
        for (let child = n, parent = tree.nodes[n].parent; parent >= 0; child = parent, parent = tree.nodes[parent].parent)
            steps.push(tree.nodes[parent].front === child ? "F" : "B");
        return steps.reverse().join("");
    }

    return {
        FRONT_TOLERANCE, IN_PLANE, ALL_BEHIND, ALL_IN_FRONT, UNSEPARATED, readTree, planeSide, isInFront,
        cornerPosition, isDrawable, treeBounds, classifyLeaf, classifyNodes, visitBackToFront, appendNodeFaces,
        nodePath
    };
});
