// The view the address's fragment fixes (#size=WxH&orbit=30&elevation=25&fov=40&cull=back&
// camera=0), read against the ranges norvane-view itself accepts, which the program writes
// into the page. A value out of range is refused: it keeps its default and the page says why.
norvaneModules.define("fragment", [], () => {
    "use strict";

    const CULLS = ["none", "back", "front"];

    // The limits the program wrote into the page.
    function readLimits(text) {
        const limits = JSON.parse(text);
        for (const key of ["maxImageSide", "maxImagePixels", "minFovDegrees", "maxFovDegrees", "maxPageOrderingSteps",
                           "maxPageFrameSteps"])
            if (!Number.isFinite(limits[key])) throw new Error(`the page's limits lack ${key}`);
        return limits;
    }

    // A whole number of at most five digits, or NaN.
    const count = (text) => /^\d{1,5}$/.test(text) ? +text : NaN;

    function readSize(text, limits, refused) {
        const match = /^(\d+)x(\d+)$/.exec(text);
        const width = match ? count(match[1]) : NaN, height = match ? count(match[2]) : NaN;
        const side = (n) => n >= 1 && n <= limits.maxImageSide;
        if (side(width) && side(height) && width * height <= limits.maxImagePixels) return [width, height];
        refused.push(`size=${text}: width and height are whole numbers from 1 to ${limits.maxImageSide}, ` +
                     `at most ${limits.maxImagePixels} pixels in all`);
        return null;
    }

    function readDegrees(params, name, fallback, lo, hi, refused) {
        if (!params.has(name)) return fallback;
        const text = params.get(name), value = text.trim() === "" ? NaN : +text;
        if (Number.isFinite(value) && value >= lo && value <= hi) return value;
        refused.push(Number.isFinite(lo) ? `${name}=${text}: degrees from ${lo} to ${hi}`
                                         : `${name}=${text}: a finite number of degrees`);
        return fallback;
    }

    // { size ([width, height] or null for the window's), orbit, elevation, fov, cull, camera
    // (an index or null), refused (one sentence for each value refused) }.
    function readFragment(hash, limits) {
        const params = new URLSearchParams(hash.replace(/^#/, "")), refused = [];
        const view = {
            size: params.has("size") ? readSize(params.get("size"), limits, refused) : null,
            orbit: readDegrees(params, "orbit", 30, -Infinity, Infinity, refused),
            elevation: readDegrees(params, "elevation", 25, -Infinity, Infinity, refused),
            fov: readDegrees(params, "fov", 40, limits.minFovDegrees, limits.maxFovDegrees, refused),
            cull: "none", camera: null, refused,
        };
        if (params.has("cull")) {
            if (CULLS.includes(params.get("cull"))) view.cull = params.get("cull");
            else refused.push(`cull=${params.get("cull")}: one of ${CULLS.join(", ")}`);
        }
        if (params.has("camera")) {
            view.camera = count(params.get("camera"));
            if (!Number.isInteger(view.camera)) {
                refused.push(`camera=${params.get("camera")}: the number of one of the scene's cameras`);
                view.camera = null;
            }
        }
        return view;
    }

    return { readLimits, readFragment };
});
