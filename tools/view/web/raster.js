"use strict";
// Views, projection and filling triangles, with the arithmetic of tools/view/view.cpp,
// raster.cpp and shading.cpp (doubles, sums left to right), so that the page fills the pixels
// norvane-view fills and paints them the same colours.

const add = (a, b) => [a[0] + b[0], a[1] + b[1], a[2] + b[2]];
const sub = (a, b) => [a[0] - b[0], a[1] - b[1], a[2] - b[2]];
const scale = (a, s) => [a[0] * s, a[1] * s, a[2] * s];
const dot = (a, b) => (a[0] * b[0] + a[1] * b[1]) + a[2] * b[2];
const cross = (a, b) => [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]];
const vlength = (a) => Math.sqrt(dot(a, a));
const normalized = (a) => { const l = vlength(a); return [a[0] / l, a[1] / l, a[2] / l]; };
const radians = (degrees) => degrees * (Math.PI / 180.0);

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
// which to lay the colour over what is there (the face numbers stay).
function fillScreenTriangle(frame, p0, p1, p2, number, pixel, blend) {
    const ordered = (a, b) => a[1] < b[1] || (a[1] === b[1] && a[0] < b[0]);
    const edgeValue = (a, b, px, py) => ordered(a, b)
        ? (b[0] - a[0]) * (py - a[1]) - (b[1] - a[1]) * (px - a[0])
        : -((a[0] - b[0]) * (py - b[1]) - (a[1] - b[1]) * (px - b[0]));
    let area = edgeValue(p0, p1, p2[0], p2[1]);
    if (!(area !== 0) || !Number.isFinite(area)) return;
    if (area < 0) [p1, p2] = [p2, p1];
    const isTopLeft = (a, b) => (a[1] === b[1] && b[0] > a[0]) || b[1] < a[1];
    const edges = [[p1, p2], [p2, p0], [p0, p1]].map(([a, b]) => {
        const o = ordered(a, b), s = o ? a : b, e = o ? b : a;
        return { sx: s[0], sy: s[1], dx: e[0] - s[0], dy: e[1] - s[1], sign: o ? 1 : -1, topLeft: isTopLeft(a, b) };
    });
    const [e0, e1, e2] = edges;
    const clamp = (v, lo, hi) => Math.min(Math.max(v, lo), hi);
    const x0 = clamp(Math.ceil(Math.min(p0[0], p1[0], p2[0]) - 0.5), 0, frame.width);
    const x1 = clamp(Math.floor(Math.max(p0[0], p1[0], p2[0]) - 0.5), -1, frame.width - 1);
    const y0 = clamp(Math.ceil(Math.min(p0[1], p1[1], p2[1]) - 0.5), 0, frame.height);
    const y1 = clamp(Math.floor(Math.max(p0[1], p1[1], p2[1]) - 0.5), -1, frame.height - 1);
    const { pixels, face, width } = frame;
    const r = (pixel & 0xff) * blend, g = ((pixel >> 8) & 0xff) * blend, b = ((pixel >> 16) & 0xff) * blend;
    for (let y = y0; y <= y1; y++) {
        const py = y + 0.5;
        for (let x = x0; x <= x1; x++) {
            const px = x + 0.5;
            const w0 = e0.sign * (e0.dx * (py - e0.sy) - e0.dy * (px - e0.sx));
            const w1 = e1.sign * (e1.dx * (py - e1.sy) - e1.dy * (px - e1.sx));
            const w2 = e2.sign * (e2.dx * (py - e2.sy) - e2.dy * (px - e2.sx));
            if (w0 < 0 || w1 < 0 || w2 < 0) continue;
            if ((w0 === 0 && !e0.topLeft) || (w1 === 0 && !e1.topLeft) || (w2 === 0 && !e2.topLeft)) continue;
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

// A convex polygon in world coordinates, clipped at the near plane and filled as a fan.
function drawPolygon(frame, projector, points, number, pixel, blend) {
    const near = projector.view.near;
    const v = points.map((p) => toViewAxes(projector, p));
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
        fillScreenTriangle(frame, screen[0], screen[c], screen[c + 1], number, pixel, blend);
}

const PALETTE = [0xd6604d, 0x6a99d0, 0xe4b452, 0x78b46e, 0xaa78c8, 0x5abebe,
                 0xe68caa, 0xa0a078, 0xf0964a, 0x8282dc, 0xbec85a, 0xc86e6e];
const NO_MATERIAL = 0xffff, NO_MATERIAL_COLOUR = 0xbebebe;
const LIGHT = normalized([-0.4, 1.0, -0.6]);

const materialColour = (material) => material === NO_MATERIAL ? NO_MATERIAL_COLOUR : PALETTE[material % 12];

// The base colour scaled by 0.35 + 0.65 max(0, n . light), n turned to the eye's side.
function shadedColour(base, planes, at, eyeInFront) {
    const sign = eyeInFront ? 1.0 : -1.0;
    const normal = [planes[at] * sign, planes[at + 1] * sign, planes[at + 2] * sign];
    const k = 0.35 + 0.65 * Math.max(0.0, dot(normal, LIGHT));
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
