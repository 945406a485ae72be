// Three-component vectors as arrays, with the viewer's arithmetic: sums left to right
// ((x + y) + z), as tools/view/vec3.h takes them, so that the page gets the program's bits.
norvaneModules.define("vector", [], () => {
    "use strict";

    const add = (a, b) => [a[0] + b[0], a[1] + b[1], a[2] + b[2]];
    const sub = (a, b) => [a[0] - b[0], a[1] - b[1], a[2] - b[2]];
    const scale = (a, s) => [a[0] * s, a[1] * s, a[2] * s];
    const dot = (a, b) => (a[0] * b[0] + a[1] * b[1]) + a[2] * b[2];
    const cross = (a, b) => [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]];
    const vlength = (a) => Math.sqrt(dot(a, a));
    const normalized = (a) => { const l = vlength(a); return [a[0] / l, a[1] / l, a[2] / l]; };
    const radians = (degrees) => degrees * (Math.PI / 180.0);

    return { add, sub, scale, dot, cross, vlength, normalized, radians };
});
