// The page: reads the tree embedded in it, paints it on the canvas by walking it back to front
// at every frame, and lets the user move around, pick faces and highlight nodes. The address's
// fragment can fix the view: #size=WxH&orbit=30&elevation=25&fov=40&cull=back&camera=0.
norvaneModules.define("viewer", ["tree", "raster", "cells", "vector", "fragment"], (treeFile, raster, cells, vector,
                                                                                    fragment) => {
    "use strict";

    const { readTree, classifyNodes, treeBounds, visitBackToFront, appendNodeFaces, isInFront, nodePath, UNSEPARATED } =
        treeFile;
    const { lookAlong, orbitView, focalPixels, walkEye, makeFrame, clearFrame, makeProjector, toViewAxes, toPixel,
            verticesInViewAxes, drawFace, frameSteps, drawPolygon, materialColour, shadedColour, fadedColour,
            NO_MATERIAL } = raster;
    const { cellPolygon } = cells;
    const { add, sub, scale, dot, vlength } = vector;
    const { readLimits, readFragment } = fragment;
    const $ = (id) => document.getElementById(id);

    // What the page holds: the tree and what is known of it, the view, the canvas and what the
    // page has to say (a refused fragment, a tree or a view beyond the page's limits).
    function loadPage() {
        const text = atob($("tree-data").textContent.trim()), bytes = new Uint8Array(text.length);
        for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
        const tree = readTree(bytes), limits = readLimits($("limits").textContent);
        const maxDepth = tree.nodes.reduce((m, node) => Math.max(m, node.depth), 0);
        const nodesAtDepth = Array.from({ length: maxDepth + 1 }, () => []);
        for (const node of tree.nodes) nodesAtDepth[node.depth].push(node.index);
        const view = readFragment(location.hash, limits), canvas = $("view");
        const kinds = classifyNodes(tree, { left: limits.maxPageOrderingSteps });
        const notes = { fragment: view.refused.map((why) => `The address's ${why}.`), tree: "", frame: "" };
        if (!kinds)
            notes.tree = `This tree is too large for the page: ordering the faces of its leaves takes more than ` +
                `${limits.maxPageOrderingSteps} steps. norvane-view draws it with a small --size.`;
        return {
            tree, limits, kinds: kinds || new Uint8Array(tree.nodes.length), drawable: kinds !== null,
            cameras: JSON.parse($("camera-data").textContent), bounds: treeBounds(tree), maxDepth, nodesAtDepth,
            fixedSize: view.size, askedCamera: view.camera, notes,
            // The view: automatic (orbit around the scene) or one of the scene's cameras until moved.
            state: { orbit: view.orbit, elevation: view.elevation, fov: view.fov, zoom: 1, pan: [0, 0, 0], camera: null,
                     cull: view.cull, selected: -1 },
            canvas, context: canvas.getContext("2d"), frame: null, lastView: null, pending: false, frameTimes: [],
        };
    }

    // The page's notes, or none.
    function showNotes(page) {
        const { fragment, tree, frame } = page.notes, lines = [...fragment, tree, frame].filter((line) => line);
        $("message").textContent = lines.join("\n");
        $("message").hidden = lines.length === 0;
    }

    function currentView(page) {
        const { state, canvas } = page;
        if (state.camera) {
            const c = state.camera;
            return lookAlong(c.eye, c.forward, c.fov, c.near);
        }
        return orbitView(page.bounds, state.orbit, state.elevation, state.fov, canvas.width, canvas.height, state.zoom,
                         state.pan);
    }

    function isCulled(page, eyeInFront) {
        const cull = page.state.cull;
        return (cull === "back" && !eyeInFront) || (cull === "front" && eyeInFront);
    }

    // The tree walked back to front, every node's faces painted in its turn, and the highlighted
    // node's plane laid over what lies behind it, under what lies in front.
    function paintTree(page, projector, viewAxes, polygon) {
        const { tree, kinds, frame } = page, selected = page.state.selected, view = projector.view;
        const eye = walkEye(view);
        const inSubtree = (n) => selected < 0 || (n >= selected && n < tree.subtreeEnd[selected]);
        const faces = [];
        visitBackToFront(tree, eye, (n) => {
            faces.length = 0;
            appendNodeFaces(tree, n, kinds[n], view.eye, eye, faces);
            const faded = !inSubtree(n);
            for (const f of faces) {
                const eyeInFront = isInFront(tree.planes, 4 * f, eye);
                if (isCulled(page, eyeInFront)) continue;
                let colour = shadedColour(materialColour(tree.faceMaterials[f]), tree.planes, 4 * f, eyeInFront);
                if (faded) colour = fadedColour(colour);
                drawFace(frame, projector, viewAxes, tree, f, toPixel(colour));
            }
            if (n === selected && polygon.length >= 3) drawPolygon(frame, projector, polygon, -1, toPixel(0xffe066), 0.45);
        });
    }

    // One frame, its time shown beside the median of the last twenty.
    function renderNow(page) {
        page.pending = false;
        const start = performance.now();
        const { canvas, state } = page;
        if (!page.frame || page.frame.width !== canvas.width || page.frame.height !== canvas.height)
            page.frame = makeFrame(canvas.width, canvas.height);
        clearFrame(page.frame);
        const view = currentView(page);
        page.lastView = view;
        const projector = makeProjector(view, canvas.width, canvas.height);
        const viewAxes = page.drawable ? verticesInViewAxes(page.tree, projector) : null;
        const steps = page.drawable ? frameSteps(page.tree, projector, viewAxes, canvas.width, canvas.height) : 0;
        page.notes.frame = steps <= page.limits.maxPageFrameSteps ? "" :
            `This view is not drawn: its faces would take ${steps} pixel steps, more than the page's limit of ` +
            `${page.limits.maxPageFrameSteps} a frame. Make the window or #size smaller, or zoom out.`;
        if (page.drawable && !page.notes.frame) {
            const polygon = state.selected >= 0 ? cellPolygon(page.tree, state.selected, page.bounds) : [];
            paintTree(page, projector, viewAxes, polygon);
            page.context.putImageData(page.frame.image, 0, 0);
            outlinePolygon(page.context, projector, polygon);
        } else {
            page.context.putImageData(page.frame.image, 0, 0);
        }
        showNotes(page);
        const elapsed = performance.now() - start;
        page.frameTimes.push(elapsed);
        if (page.frameTimes.length > 200) page.frameTimes.shift();
        const recent = page.frameTimes.slice(-20).sort((a, b) => a - b);
        $("frame-time").textContent = `${elapsed.toFixed(1)} ms (median of the last ${recent.length}: ` +
            `${recent[Math.floor(recent.length / 2)].toFixed(1)} ms)`;
        return elapsed;
    }

    // The plane's outline on top, so that its extent shows also where nearer faces cover it.
    function outlinePolygon(context, projector, polygon) {
        if (polygon.length < 3) return;
        const v = polygon.map((p) => toViewAxes(projector, p));
        if (v.some((q) => q[2] < projector.view.near)) return;
        context.strokeStyle = "#ffe066";
        context.lineWidth = 1;
        context.setLineDash([4, 3]);
        context.beginPath();
        v.forEach((q, i) => {
            const x = projector.halfWidth + (projector.focal * q[0]) / q[2];
            const y = projector.halfHeight - (projector.focal * q[1]) / q[2];
            if (i === 0) context.moveTo(x, y); else context.lineTo(x, y);
        });
        context.closePath();
        context.stroke();
        context.setLineDash([]);
    }

    function requestRender(page) {
        if (page.pending) return;
        page.pending = true;
        requestAnimationFrame(() => renderNow(page));
    }

    function resize(page) {
        const stage = $("stage"), { canvas, fixedSize } = page;
        // The window's size, kept within the sizes the fragment may ask for.
        const side = (n) => Math.min(Math.max(1, n), page.limits.maxImageSide);
        let width = fixedSize ? fixedSize[0] : side(stage.clientWidth);
        let height = fixedSize ? fixedSize[1] : side(stage.clientHeight);
        if (width * height > page.limits.maxImagePixels) height = Math.max(1, Math.floor(page.limits.maxImagePixels / width));
        if (canvas.width !== width || canvas.height !== height) {
            canvas.width = width;
            canvas.height = height;
        }
        requestRender(page);
    }

    // --- Picking and highlighting -------------------------------------------------------------

    const shortPath = (path) => path.length <= 48 ? (path || "(root)") : `...${path.slice(-48)} (${path.length} steps)`;
    const plane4 = (p) => Array.from(p, (x) => +x.toPrecision(6)).join(" ");
    const kindNames = ["in one plane", "convex, facing out", "convex, facing in", "unseparated"];

    function describeNode(page, n) {
        const node = page.tree.nodes[n];
        const what = node.flags === 0 ? `leaf, ${kindNames[page.kinds[n]]}` : "interior";
        return `node ${n} (${what}), depth ${node.depth}, ${node.count} faces\npath ${shortPath(nodePath(page.tree, n))}` +
            (node.flags === 0 ? "" : `\nplane ${plane4(node.plane)}`);
    }

    function select(page, n) {
        const { tree, nodesAtDepth, maxDepth } = page;
        page.state.selected = n;
        const depth = n >= 0 ? tree.nodes[n].depth : 0;
        const slider = $("depth"), nodeSlider = $("node");
        slider.value = depth;
        nodeSlider.max = depth > 0 ? nodesAtDepth[depth].length - 1 : 0;
        nodeSlider.value = depth > 0 ? nodesAtDepth[depth].indexOf(n) : 0;
        $("depth-label").textContent = depth > 0 ? `${depth} of ${maxDepth} (${nodesAtDepth[depth].length} nodes)` : "off";
        $("node-label").textContent = n >= 0 ? `node ${n}, path ${shortPath(nodePath(tree, n))}` : "";
        requestRender(page);
    }

    // The node at `depth` that is related to the selection: its ancestor, else the first node at
    // that depth in its subtree, else the first node at that depth.
    function nodeAtDepth(page, depth) {
        if (depth <= 0) return -1;
        const { tree, nodesAtDepth } = page, selected = page.state.selected;
        let n = selected;
        if (n >= 0) {
            while (n >= 0 && tree.nodes[n].depth > depth) n = tree.nodes[n].parent;
            if (n >= 0 && tree.nodes[n].depth === depth) return n;
            const inside = nodesAtDepth[depth].find((m) => m > selected && m < tree.subtreeEnd[selected]);
            if (inside !== undefined) return inside;
        }
        return nodesAtDepth[depth][0];
    }

    function pick(page, x, y) {
        const { frame, tree } = page;
        if (!frame || x < 0 || y < 0 || x >= frame.width || y >= frame.height) return null;
        const f = frame.face[Math.floor(y) * frame.width + Math.floor(x)];
        if (f < 0) return null;
        const n = tree.faceNode[f], material = tree.faceMaterials[f];
        return { face: f, node: n, record: f - tree.nodes[n].first, id: tree.ids[f], material,
                 materialName: material === NO_MATERIAL ? null : tree.materials[material],
                 plane: Array.from(tree.planes.subarray(4 * f, 4 * f + 4)), depth: tree.nodes[n].depth, path: nodePath(tree, n) };
    }

    function showPick(page, hit) {
        if (!hit) {
            $("info").textContent = "No face there.";
            return;
        }
        const material = hit.materialName === null ? "none" : `${hit.material} "${hit.materialName}"`;
        $("info").textContent = `${describeNode(page, hit.node)}\nface id ${hit.id} (record ${hit.record} of the node)\n` +
            `material ${material}\nface plane ${plane4(hit.plane)}`;
        select(page, hit.node);
    }

    // --- Moving around ------------------------------------------------------------------------

    // Leaves a camera preset for the orbit view that starts where the camera is.
    function leaveCamera(page) {
        const { state, lastView, bounds, canvas } = page;
        if (!state.camera || !lastView) return;
        const v = lastView, towardEye = scale(v.forward, -1);
        state.elevation = Math.asin(Math.max(-1, Math.min(1, towardEye[1]))) * 180 / Math.PI;
        state.orbit = Math.atan2(towardEye[0], -towardEye[2]) * 180 / Math.PI;
        state.fov = v.fov * 180 / Math.PI;
        state.camera = null;
        $("preset").value = "auto";
        const centre = bounds.empty ? [0, 0, 0] : scale(add(bounds.lo, bounds.hi), 0.5);
        const fitted = orbitView(bounds, state.orbit, state.elevation, state.fov, canvas.width, canvas.height);
        const fittedDistance = vlength(sub(fitted.eye, centre));
        const distance = Math.max(dot(sub(centre, v.eye), v.forward), fittedDistance * 0.05);
        state.zoom = distance / fittedDistance;
        state.pan = sub(add(v.eye, scale(v.forward, distance)), centre);
    }

    function orbitBy(page, dx, dy) {
        leaveCamera(page);
        page.state.orbit += dx * 0.4;
        page.state.elevation = Math.min(89, Math.max(-89, page.state.elevation + dy * 0.4));
        requestRender(page);
    }

    function panBy(page, dx, dy) {
        leaveCamera(page);
        const { state, bounds, canvas } = page, view = currentView(page);
        const worldPerPixel = vlength(sub(view.eye, add(state.pan, scale(add(bounds.lo, bounds.hi), 0.5)))) /
            focalPixels(view, canvas.width);
        state.pan = add(state.pan, add(scale(view.right, -dx * worldPerPixel), scale(view.up, dy * worldPerPixel)));
        requestRender(page);
    }

    function zoomBy(page, factor) {
        leaveCamera(page);
        page.state.zoom = Math.min(20, Math.max(0.01, page.state.zoom * factor));
        requestRender(page);
    }

    // A pointer's move: two fingers pinch (their spread zooms, their midpoint's move pans), one
    // pans with shift or the right button, and orbits otherwise.
    function pointerMoved(page, pointers, gesture, event) {
        const last = pointers.get(event.pointerId);
        if (!last || !gesture) return;
        const dx = event.offsetX - last.x, dy = event.offsetY - last.y;
        last.x = event.offsetX;
        last.y = event.offsetY;
        gesture.moved += Math.abs(dx) + Math.abs(dy);
        if (pointers.size === 2) {
            const [a, b] = [...pointers.values()];
            const spread = Math.hypot(a.x - b.x, a.y - b.y), middle = [(a.x + b.x) / 2, (a.y + b.y) / 2];
            if (gesture.pinch) {
                if (spread > 0) zoomBy(page, gesture.pinch.spread / spread);
                panBy(page, middle[0] - gesture.pinch.middle[0], middle[1] - gesture.pinch.middle[1]);
            }
            gesture.pinch = { spread, middle };
        } else if (gesture.pan) {
            panBy(page, dx, dy);
        } else {
            orbitBy(page, dx, dy);
        }
    }

    function attachPointer(page) {
        const canvas = page.canvas, pointers = new Map();
        let gesture = null;
        canvas.addEventListener("contextmenu", (event) => event.preventDefault());
        canvas.addEventListener("pointerdown", (event) => {
            canvas.setPointerCapture(event.pointerId);
            pointers.set(event.pointerId, { x: event.offsetX, y: event.offsetY });
            gesture = { moved: 0, pan: event.shiftKey || event.button === 2, pinch: null };
        });
        canvas.addEventListener("pointermove", (event) => pointerMoved(page, pointers, gesture, event));
        const release = (event) => {
            if (!pointers.has(event.pointerId)) return;
            pointers.delete(event.pointerId);
            if (gesture && pointers.size === 0) {
                if (gesture.moved < 4 && !gesture.pinch && event.type === "pointerup")
                    showPick(page, pick(page, event.offsetX, event.offsetY));
                gesture = null;
            }
        };
        canvas.addEventListener("pointerup", release);
        canvas.addEventListener("pointercancel", release);
        canvas.addEventListener("wheel", (event) => {
            event.preventDefault();
            zoomBy(page, Math.pow(1.0015, event.deltaY));
        }, { passive: false });
    }

    // --- The panel ----------------------------------------------------------------------------

    function fillPanel(page) {
        const { tree, kinds, cameras, state, nodesAtDepth } = page;
        $("summary").textContent = `${tree.ids.length} faces (${tree.faceCount} before cutting), ${tree.nodes.length} nodes, ` +
            `${page.maxDepth} levels deep, ${tree.materials.length} materials` +
            (kinds.includes(UNSEPARATED) ? "; has unseparated leaves (drawn farthest first)" : "");
        cameras.forEach((camera, i) => $("preset").add(new Option(`camera ${i}: ${camera.name}`, String(i))));
        $("preset").addEventListener("change", (event) => {
            const value = event.target.value;
            state.camera = value === "auto" ? null : cameras[+value];
            if (!state.camera) { state.zoom = 1; state.pan = [0, 0, 0]; }
            requestRender(page);
        });
        $("cull").value = state.cull;
        $("cull").addEventListener("change", (event) => { state.cull = event.target.value; requestRender(page); });
        $("depth").max = page.maxDepth;
        $("depth").addEventListener("input", (event) => select(page, nodeAtDepth(page, +event.target.value)));
        $("node").addEventListener("input", (event) => {
            const depth = +$("depth").value;
            if (depth > 0) select(page, nodesAtDepth[depth][+event.target.value]);
        });
        $("parent").addEventListener("click", () => { if (state.selected > 0) select(page, tree.nodes[state.selected].parent); });
        for (const side of ["front", "back"])
            $(side).addEventListener("click", () => {
                const child = state.selected >= 0 ? tree.nodes[state.selected][side] : 0;
                if (child >= 0) select(page, child);
            });
        const asked = page.askedCamera;
        if (asked !== null && cameras[asked]) {
            state.camera = cameras[asked];
            $("preset").value = String(asked);
        } else if (asked !== null) {
            page.notes.fragment.push(`The address's camera=${asked}: the page has ${cameras.length} camera(s).`);
        }
    }

    // Opens the page: the panel, the pointer, the first frame, and window.norvaneViewer for tests
    // and the console (the frame times, picking and a synchronous frame).
    function start() {
        const page = loadPage();
        attachPointer(page);
        fillPanel(page);
        window.addEventListener("resize", () => resize(page));
        select(page, -1);
        resize(page);
        window.norvaneViewer = {
            tree: page.tree, kinds: page.kinds, frameTimes: page.frameTimes,
            render: () => renderNow(page),
            pick: (x, y) => pick(page, x, y),
            selected: () => page.state.selected,
            select: (n) => select(page, n),
            view: () => page.lastView,
            orbitBy: (dx, dy) => orbitBy(page, dx, dy),
        };
    }

    return { start };
});
