"use strict";
// The page's scripts are modules of a small registry of its own: each names the modules it
// takes from, and receives their exports as its factory's arguments, so no script depends on
// the order the page joins them in or on another's globals. The page stays one file with its
// scripts inline; this registry is the only global besides window.norvaneViewer.
//
//     norvaneModules.define("cells", ["vector"], (vector) => { ...; return { cellPolygon }; });
//     norvaneModules.use("cells").cellPolygon(...)
//
// A module is made on its first use, after the modules it needs; its exports are frozen.

const norvaneModules = (() => {
    const factories = new Map(), made = new Map(), making = new Set();

    function define(name, needs, factory) {
        if (factories.has(name)) throw new Error(`module ${name} is defined twice`);
        factories.set(name, { needs, factory });
    }

    function use(name) {
        if (made.has(name)) return made.get(name);
        const entry = factories.get(name);
        if (!entry) throw new Error(`no module named ${name}`);
        if (making.has(name)) throw new Error(`module ${name} needs itself through ${[...making].join(", ")}`);
        making.add(name);
        const exports = Object.freeze(entry.factory(...entry.needs.map(use)));
        making.delete(name);
        made.set(name, exports);
        return exports;
    }

    return Object.freeze({ define, use });
})();
