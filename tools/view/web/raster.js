// Views, projection and filling triangles, with the arithmetic of tools/view/view.cpp,
// raster.cpp and shading.cpp (doubles, sums left to right), so that the page fills the pixels
// norvane-view fills and paints them the same colours.
norvaneModules.define("raster", ["vector"], (vector) => {
    "use strict";

    const { add, sub, scale, dot, cross, vlength, normalized, radians } = vector;

    // A view: eye, unit right, up and forward (right x up = forward, y up), field of view across
    // the width in radians, near plane distance.
    function lookAlong(eye, forward, fov, near) {
        if (![...eye, ...forward].every(Number.isFinite) || vlength(forward) === 0) return null;
        const f = normalized(forward), side = cross([0, 1, 0], f);
        if (vlength(side) < 1e-9) return null;
        const right = normalized(side);
        return { eye, forward: f, right, up: cross(f, right), fov, near };
    }

    const focalPixels = (view, width) => (width / 2.0) / Math.tan(view.fov / 2);
    const walkEye = (view) => view.eye.map(Math.fround);

    function nearDistanceFor(bounds) {
        const diagonal = bounds.empty ? 0.0 : vlength(sub(bounds.hi, bounds.lo));
        return Math.max(diagonal * 1e-4, 1e-6);
    }

    // norvane-view's automatic view (orbitView in view.cpp). `zoom` scales the distance and `pan`
    // moves the point looked at; with zoom 1 and no pan it is exactly the program's view.
    function orbitView(bounds, orbitDegrees, elevationDegrees, fovDegrees, width, height, zoom = 1, pan = [0, 0, 0]) {
        const centre = bounds.empty ? [0, 0, 0] : scale(add(bounds.lo, bounds.hi), 0.5);
        let radius = bounds.empty ? 0.0 : vlength(sub(bounds.hi, bounds.lo)) * 0.5;
        if (!(radius > 0)) radius = 1;
        const orbit = radians(orbitDegrees);
        const elevation = radians(Math.min(Math.max(elevationDegrees, -89.0), 89.0));
        const towardEye = [Math.sin(orbit) * Math.cos(elevation), Math.sin(elevation),
                           -(Math.cos(orbit) * Math.cos(elevation))];
        const view = lookAlong(centre, scale(towardEye, -1.0), radians(fovDegrees), 0);
        const focal = focalPixels(view, width);
        let distance = 0;
        for (let corner = 0; corner < 8; corner++) {
            const p = bounds.empty ? centre : [corner & 1 ? bounds.hi[0] : bounds.lo[0],
                                               corner & 2 ? bounds.hi[1] : bounds.lo[1],
                                               corner & 4 ? bounds.hi[2] : bounds.lo[2]];
            const d = sub(p, centre);
            const x = dot(d, view.right), y = dot(d, view.up), z = dot(d, view.forward);
            distance = Math.max(distance, (Math.abs(x) * focal) / (width / 2.0) - z,
                                (Math.abs(y) * focal) / (height / 2.0) - z, radius * 0.05 - z);
        }
        distance = Math.max(distance * 1.05, radius * 1e-3) * zoom;
        const target = add(centre, pan);
        view.eye = add(target, scale(towardEye, distance));
        view.near = Math.max(distance - radius - vlength(pan), 0.0) * 0.5 + nearDistanceFor(bounds);
        return view;
    }

    // An image: colours as the canvas's RGBA bytes seen as 32-bit words, and the face number drawn
    // at each pixel (-1 for none).
    function makeFrame(width, height) {
        const image = new ImageData(width, height);
        return { width, height, image, pixels: new Uint32Array(image.data.buffer), face: new Int32Array(width * height) };
    }

    const BACKGROUND = 0x1c2028;
    // 0xRRGGBB as the little-endian RGBA word ImageData holds.
    const toPixel = (rgb) => (0xff000000 | ((rgb & 0xff) << 16) | (rgb & 0xff00) | ((rgb >> 16) & 0xff)) >>> 0;

    function clearFrame(frame) {
        frame.pixels.fill(toPixel(BACKGROUND));
        frame.face.fill(-1);
    }

    function makeProjector(view, width, height) {
        return { view, focal: focalPixels(view, width), halfWidth: width / 2.0, halfHeight: height / 2.0 };
    }

    function toViewAxes(projector, p) {
        const v = sub(p, projector.view.eye);
        return [dot(v, projector.view.right), dot(v, projector.view.up), dot(v, projector.view.forward)];
    }

    // Fills the pixels whose centres the screen triangle covers (top-left rule, edges evaluated with
    // their ends in one fixed order). `blend` is 0 to paint and number over, or the opacity with
    // which to lay the colour over what is there (the face numbers stay). Scalars only: it runs for
    // every face of every frame.
    const edgeScratch = new Float64Array(18);
    function setEdge(k, ax, ay, bx, by) {
        const ordered = ay < by || (ay === by && ax < bx);
        const e = edgeScratch, at = 6 * k;
        e[at] = ordered ? ax : bx;
        e[at + 1] = ordered ? ay : by;
        e[at + 2] = ordered ? bx - ax : ax - bx;
        e[at + 3] = ordered ? by - ay : ay - by;
        e[at + 4] = ordered ? 1 : -1;
        e[at + 5] = (ay === by && bx > ax) || by < ay ? 1 : 0; // top or left edge
    }

    function fillScreenTriangle(frame, x0, y0, x1, y1, x2, y2, number, pixel, blend) {
        setEdge(0, x0, y0, x1, y1);
        const e = edgeScratch;
        let area = e[4] * (e[2] * (y2 - e[1]) - e[3] * (x2 - e[0]));
        if (!(area !== 0) || !Number.isFinite(area)) return;
        if (area < 0) [x1, y1, x2, y2] = [x2, y2, x1, y1];
        setEdge(0, x1, y1, x2, y2);
        setEdge(1, x2, y2, x0, y0);
        setEdge(2, x0, y0, x1, y1);
        const s0x = e[0], s0y = e[1], d0x = e[2], d0y = e[3], g0 = e[4], t0 = e[5];
        const s1x = e[6], s1y = e[7], d1x = e[8], d1y = e[9], g1 = e[10], t1 = e[11];
        const s2x = e[12], s2y = e[13], d2x = e[14], d2y = e[15], g2 = e[16], t2 = e[17];
        const clamp = (v, lo, hi) => Math.min(Math.max(v, lo), hi);
        const left = clamp(Math.ceil(Math.min(x0, x1, x2) - 0.5), 0, frame.width);
        const right = clamp(Math.floor(Math.max(x0, x1, x2) - 0.5), -1, frame.width - 1);
        const top = clamp(Math.ceil(Math.min(y0, y1, y2) - 0.5), 0, frame.height);
        const bottom = clamp(Math.floor(Math.max(y0, y1, y2) - 0.5), -1, frame.height - 1);
        const { pixels, face, width } = frame;
        const r = (pixel & 0xff) * blend, g = ((pixel >> 8) & 0xff) * blend, b = ((pixel >> 16) & 0xff) * blend;
        for (let y = top; y <= bottom; y++) {
            const py = y + 0.5;
            for (let x = left; x <= right; x++) {
                const px = x + 0.5;
                const w0 = g0 * (d0x * (py - s0y) - d0y * (px - s0x));
                const w1 = g1 * (d1x * (py - s1y) - d1y * (px - s1x));
                const w2 = g2 * (d2x * (py - s2y) - d2y * (px - s2x));
                if (w0 < 0 || w1 < 0 || w2 < 0) continue;
                if ((w0 === 0 && !t0) || (w1 === 0 && !t1) || (w2 === 0 && !t2)) continue;
                const k = y * width + x;
                if (blend === 0) {
                    pixels[k] = pixel;
                    face[k] = number;
                } else {
                    const old = pixels[k], keep = 1 - blend;
                    pixels[k] = (0xff000000 | (((old >> 16 & 0xff) * keep + b) << 16) | (((old >> 8 & 0xff) * keep + g) << 8) |
                                 ((old & 0xff) * keep + r)) >>> 0;
                }
            }
        }
    }

    // A convex polygon given in view axes, clipped at the near plane and filled as a fan.
    function drawViewPolygon(frame, projector, v, number, pixel, blend) {
        const near = projector.view.near;
        if (!v.some((q) => q[2] >= near)) return;
        const clipped = [];
        for (let c = 0; c < v.length; c++) {
            const a = v[c], b = v[(c + 1) % v.length], aIn = a[2] >= near, bIn = b[2] >= near;
            if (aIn) clipped.push(a);
            if (aIn !== bIn) {
                const t = (near - a[2]) / (b[2] - a[2]);
                clipped.push([a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, near]);
            }
        }
        const { focal, halfWidth, halfHeight } = projector;
        const screen = clipped.map((q) => [halfWidth + (focal * q[0]) / q[2], halfHeight - (focal * q[1]) / q[2]]);
        for (let c = 1; c + 1 < screen.length; c++)
            fillScreenTriangle(frame, screen[0][0], screen[0][1], screen[c][0], screen[c][1], screen[c + 1][0],
                               screen[c + 1][1], number, pixel, blend);
    }

    function drawPolygon(frame, projector, points, number, pixel, blend) {
        drawViewPolygon(frame, projector, points.map((p) => toViewAxes(projector, p)), number, pixel, blend);
    }

    // Every vertex of the tree in view axes, once a frame: x, y, z at 3v.
    function verticesInViewAxes(tree, projector) {
        const out = new Float64Array(tree.positions.length), p = tree.positions;
        const { eye, right, up, forward } = projector.view;
        for (let i = 0; i < p.length; i += 3) {
            const x = p[i] - eye[0], y = p[i + 1] - eye[1], z = p[i + 2] - eye[2];
            out[i] = (x * right[0] + y * right[1]) + z * right[2];
            out[i + 1] = (x * up[0] + y * up[1]) + z * up[2];
            out[i + 2] = (x * forward[0] + y * forward[1]) + z * forward[2];
        }
        return out;
    }

    // One face: projected straight away when wholly beyond the near plane, else clipped.
    function drawFace(frame, projector, viewAxes, tree, f, pixel) {
        const a = 3 * tree.corners[3 * f], b = 3 * tree.corners[3 * f + 1], c = 3 * tree.corners[3 * f + 2];
        const near = projector.view.near, v = viewAxes;
        if (v[a + 2] >= near && v[b + 2] >= near && v[c + 2] >= near) {
            const { focal, halfWidth, halfHeight } = projector;
            fillScreenTriangle(frame, halfWidth + (focal * v[a]) / v[a + 2], halfHeight - (focal * v[a + 1]) / v[a + 2],
                               halfWidth + (focal * v[b]) / v[b + 2], halfHeight - (focal * v[b + 1]) / v[b + 2],
                               halfWidth + (focal * v[c]) / v[c + 2], halfHeight - (focal * v[c + 1]) / v[c + 2], f, pixel, 0);
            return;
        }
        drawViewPolygon(frame, projector, [a, b, c].map((i) => [v[i], v[i + 1], v[i + 2]]), f, pixel, 0);
    }

    // At most the pixels the frame's faces make the filling test: each drawable face's box on
    // screen, clamped to the image, or the whole image for a face that reaches in front of the
    // near plane.
    function frameSteps(tree, projector, viewAxes, width, height) {
        const near = projector.view.near, v = viewAxes, { focal, halfWidth, halfHeight } = projector;
        const clamp = (x, lo, hi) => Math.min(Math.max(x, lo), hi);
        let steps = 0;
        for (let f = 0; f < tree.ids.length; f++) {
            if (!tree.drawable[f]) continue;
            const corners = [3 * tree.corners[3 * f], 3 * tree.corners[3 * f + 1], 3 * tree.corners[3 * f + 2]];
            if (corners.some((i) => !(v[i + 2] >= near))) {
                steps += width * height;
                continue;
            }
            const xs = corners.map((i) => halfWidth + (focal * v[i]) / v[i + 2]);
            const ys = corners.map((i) => halfHeight - (focal * v[i + 1]) / v[i + 2]);
            const columns = clamp(Math.floor(Math.max(...xs) - 0.5), -1, width - 1) -
                clamp(Math.ceil(Math.min(...xs) - 0.5), 0, width) + 1;
            const rows = clamp(Math.floor(Math.max(...ys) - 0.5), -1, height - 1) -
                clamp(Math.ceil(Math.min(...ys) - 0.5), 0, height) + 1;
            if (columns > 0 && rows > 0) steps += columns * rows;
        }
        return steps;
    }

    const PALETTE = [0xd6604d, 0x6a99d0, 0xe4b452, 0x78b46e, 0xaa78c8, 0x5abebe,
                     0xe68caa, 0xa0a078, 0xf0964a, 0x8282dc, 0xbec85a, 0xc86e6e];
    const NO_MATERIAL = -1, NO_MATERIAL_COLOUR = 0xbebebe; // as the tree reads a face without one
    const LIGHT = normalized([-0.4, 1.0, -0.6]);

    const materialColour = (material) => material === NO_MATERIAL ? NO_MATERIAL_COLOUR : PALETTE[material % 12];

    // The base colour scaled by 0.35 + 0.65 clamp(n . light, 0, 1), n turned to the eye's side.
    function shadedColour(base, planes, at, eyeInFront) {
        const sign = eyeInFront ? 1.0 : -1.0;
        const normal = [planes[at] * sign, planes[at + 1] * sign, planes[at + 2] * sign];
        // A plane need not have a unit normal: the light term is clamped to [0, 1] (NaN to 0).
        const lit = dot(normal, LIGHT);
        const k = 0.35 + 0.65 * (lit > 0 ? Math.min(lit, 1.0) : 0.0);
        let colour = 0;
        for (const shift of [16, 8, 0]) colour |= Math.floor(((base >> shift) & 0xff) * k + 0.5) << shift;
        return colour;
    }

    // A colour faded two thirds of the way to the background, for faces outside the highlight.
    function fadedColour(rgb) {
        let colour = 0;
        for (const shift of [16, 8, 0])
            colour |= Math.round((((rgb >> shift) & 0xff) + 2 * ((BACKGROUND >> shift) & 0xff)) / 3) << shift;
        return colour;
    }

    return {
        BACKGROUND, NO_MATERIAL, lookAlong, focalPixels, walkEye, orbitView, makeFrame, toPixel, clearFrame,
        makeProjector, toViewAxes, fillScreenTriangle, drawPolygon, verticesInViewAxes, drawFace, frameSteps,
        materialColour, shadedColour, fadedColour
    };
});
