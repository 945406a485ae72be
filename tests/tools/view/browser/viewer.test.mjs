// The viewer page in a real browser: headless Chromium driven by puppeteer-core. The pages and
// reference pictures come from the built programs (NORVANE_BUILD_DIR, default build/):
// norvane-scene makes the scenes, norvane compiles them, norvane-view writes the pages, the PNGs
// and the faces under given pixels. Run by scripts/test.sh's browser stage.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";
import puppeteer from "puppeteer-core";
import { PNG } from "pngjs";

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "../../../..");
const build = path.resolve(process.env.NORVANE_BUILD_DIR || path.join(root, "build"));
const tool = (relative) => path.join(build, relative);
const run = (program, args, cwd) => execFileSync(program, args, { cwd, encoding: "utf8", input: "" });

// The fixed view of the picture tests: small, looking into the rooms from above.
const size = [320, 240];
const fixedView = ["--orbit", "30", "--elevation", "45", "--cull", "back"];
const fixedHash = `#size=${size[0]}x${size[1]}&orbit=30&elevation=45&cull=back`;
// A screenshot matches when at most this share of its pixels differ from the PNG by more than
// 2 in a channel (the page and the program compute the same pixels in the same double
// arithmetic; only the trigonometry of two libraries may differ in the last bit).
const maxDifferentShare = 0.002;
// The 20,000-face city must draw a frame within this many milliseconds (median while orbiting).
const maxMedianFrameMs = 150;

let work, browser, arena, city;

before(async () => {
    work = fs.mkdtempSync(path.join(os.tmpdir(), "norvane-browser-"));
    fs.copyFileSync(path.join(root, "samples/arena.3ds"), path.join(work, "arena.3ds"));
    run(tool("tools/scene3ds/norvane-scene"), ["city", "--faces", "20000", "city.3ds"], work);
    for (const scene of ["arena.3ds", "city.3ds"]) run(tool("src/norvane"), [scene], work);
    arena = path.join(work, "arena.bsp");
    city = path.join(work, "city.bsp");
    run(tool("tools/view/norvane-view"), [arena, "--html", "arena.html", "--scene", "arena.3ds"], work);
    run(tool("tools/view/norvane-view"), [city, "--html", "city.html"], work);
    browser = await puppeteer.launch({
        executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
        headless: true,
        args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
               "--disable-component-update", "--disable-sync", "--force-color-profile=srgb",
               `--user-data-dir=${path.join(work, "profile")}`],
    });
});

after(async () => {
    await browser?.close();
    if (work) fs.rmSync(work, { recursive: true, force: true });
});

// Opens a page and waits for its first frame; `problems` collects console errors, failed
// requests and uncaught exceptions.
async function open(file, hash = "", viewport = { width: 1000, height: 700 }) {
    const page = await browser.newPage();
    await page.setViewport(viewport);
    const problems = [];
    page.on("console", (message) => { if (message.type() === "error") problems.push(`console: ${message.text()}`); });
    page.on("pageerror", (error) => problems.push(`exception: ${error.message}`));
    page.on("requestfailed", (request) => problems.push(`request: ${request.url()}`));
    page.on("request", (request) => {
        if (!request.url().startsWith("file:")) problems.push(`network: ${request.url()}`);
    });
    await page.goto(`file://${path.join(work, file)}${hash}`);
    await page.waitForFunction(() => window.norvaneViewer?.frameTimes.length > 0, { timeout: 30000 });
    return { page, problems };
}

const framesSoFar = (page) => page.evaluate(() => window.norvaneViewer.frameTimes.length);
async function nextFrame(page, count) {
    await page.waitForFunction((n) => window.norvaneViewer.frameTimes.length > n, { timeout: 30000 }, count);
}

async function canvasPng(page) {
    return PNG.sync.read(await (await page.$("#view")).screenshot());
}

function differentShare(a, b) {
    assert.equal(a.width, b.width);
    assert.equal(a.height, b.height);
    let different = 0;
    for (let k = 0; k < a.data.length; k += 4)
        if ([0, 1, 2].some((c) => Math.abs(a.data[k + c] - b.data[k + c]) > 2)) different++;
    return different / (a.width * a.height);
}

test("the page loads without a console error and reaches for nothing outside itself", async () => {
    const { page, problems } = await open("arena.html");
    assert.deepEqual(problems, []);
    const summary = await page.$eval("#summary", (e) => e.textContent);
    assert.match(summary, /^308 faces \(296 before cutting\), 58 nodes/);
    const presets = await page.$$eval("#preset option", (options) => options.map((o) => o.textContent));
    assert.deepEqual(presets, ["automatic", "camera 0: Eye"]);
    await page.close();
});

test("a screenshot at a fixed view matches norvane-view's PNG of that view", async () => {
    run(tool("tools/view/norvane-view"), [arena, "-o", "fixed.png", "--size", `${size[0]}x${size[1]}`, ...fixedView], work);
    const expected = PNG.sync.read(fs.readFileSync(path.join(work, "fixed.png")));
    const { page, problems } = await open("arena.html", fixedHash);
    const share = differentShare(await canvasPng(page), expected);
    console.log(`fixed view: ${(share * 100).toFixed(3)}% of the pixels differ from the PNG`);
    assert.ok(share <= maxDifferentShare, `${(share * 100).toFixed(3)}% of the pixels differ`);
    // The camera preset too: the scene's camera as norvane-view draws it.
    run(tool("tools/view/norvane-view"), [arena, "-o", "camera.png", "--size", `${size[0]}x${size[1]}`,
        "--scene", path.join(work, "arena.3ds"), "--camera", "0"], work);
    const frames = await framesSoFar(page);
    await page.select("#preset", "0");
    await nextFrame(page, frames);
    const cameraShare = differentShare(await canvasPng(page), PNG.sync.read(fs.readFileSync(path.join(work, "camera.png"))));
    assert.ok(cameraShare <= maxDifferentShare, `camera view: ${(cameraShare * 100).toFixed(3)}% of the pixels differ`);
    assert.deepEqual(problems, []);
    await page.close();
});

test("a click on a pixel reports the face norvane-view finds there", async () => {
    const { page } = await open("arena.html", fixedHash);
    const canvas = await (await page.$("#view")).boundingBox();
    // A floor, a wall (an interior node's face), a pillar (a leaf's face) and the background.
    for (const [x, y] of [[160, 120], [40, 110], [150, 140], [250, 90]]) {
        const expected = run(tool("tools/view/norvane-view"), [arena, "--pick", `${x},${y}`,
            "--size", `${size[0]}x${size[1]}`, ...fixedView], work);
        if (expected.endsWith("no face\n")) {
            await page.mouse.click(canvas.x + x + 0.5, canvas.y + y + 0.5);
            assert.equal(await page.$eval("#info", (e) => e.textContent), "No face there.");
            continue;
        }
        const [, node, depth, pathText, record, id] =
            /node (\d+), depth (\d+), path (\S*), record (\d+), face id (\d+)/.exec(expected);
        await page.mouse.click(canvas.x + x + 0.5, canvas.y + y + 0.5);
        const info = await page.$eval("#info", (e) => e.textContent);
        assert.match(info, new RegExp(`^node ${node} \\(`), `pixel ${x},${y}: ${info}`);
        assert.match(info, new RegExp(`depth ${depth}, `));
        assert.match(info, new RegExp(`\\npath ${pathText || "\\(root\\)"}\\n`));
        assert.match(info, new RegExp(`\\nface id ${id} \\(record ${record} of the node\\)`));
        assert.equal(await page.evaluate(() => window.norvaneViewer.selected()), +node);
    }
    await page.close();
});

test("the depth slider changes what is highlighted", async () => {
    const { page } = await open("arena.html", fixedHash);
    const pictures = [], labels = [];
    for (const depth of [0, 1, 2, 3]) {
        const frames = await framesSoFar(page);
        await page.$eval("#depth", (slider, value) => {
            slider.value = value;
            slider.dispatchEvent(new Event("input"));
        }, depth);
        await nextFrame(page, frames);
        pictures.push(await canvasPng(page));
        labels.push(await page.$eval("#node-label", (e) => e.textContent));
        const selected = await page.evaluate(() => window.norvaneViewer.selected());
        assert.equal(selected === -1 ? 0 : await page.evaluate((n) => window.norvaneViewer.tree.nodes[n].depth, selected), depth);
    }
    assert.deepEqual(labels.slice(0, 3), ["", "node 0, path (root)", "node 1, path F"]);
    for (let i = 1; i < pictures.length; i++)
        assert.ok(differentShare(pictures[i - 1], pictures[i]) > 0.01, `depth ${i - 1} and ${i} highlight alike`);
    await page.close();
});

test("a node's plane is drawn cut to the node's cell", async () => {
    const { page } = await open("arena.html");
    const report = await page.evaluate(() => {
        const { treeBounds } = norvaneModules.use("tree"), { cellPolygon } = norvaneModules.use("cells");
        const tree = window.norvaneViewer.tree, bounds = treeBounds(tree);
        const side = (p, q) => ((p[0] * q[0] + p[1] * q[1]) + p[2] * q[2]) + p[3];
        let interior = 0, drawn = 0, worst = 0;
        for (const node of tree.nodes) {
            if (node.flags === 0) continue;
            interior++;
            const polygon = cellPolygon(tree, node.index, bounds);
            if (polygon.length >= 3) drawn++;
            for (const q of polygon) {
                worst = Math.max(worst, Math.abs(side(node.plane, q)));  // in the node's plane
                for (let child = node.index, parent = node.parent; parent >= 0; child = parent, parent = tree.nodes[parent].parent) {
                    const s = side(tree.nodes[parent].plane, q);   // on the node's side of every ancestor
                    worst = Math.max(worst, tree.nodes[parent].front === child ? -s : s);
                }
            }
        }
        return { interior, drawn, worst };
    });
    assert.ok(report.interior > 10);
    assert.equal(report.drawn, report.interior, "every interior node's plane crosses its cell");
    assert.ok(report.worst < 1e-6, `a corner lies ${report.worst} outside the cell`);
    await page.close();
});

test("the 20,000-face city stays interactive", async () => {
    const { page, problems } = await open("city.html", "", { width: 1280, height: 800 });
    const faces = await page.evaluate(() => window.norvaneViewer.tree.ids.length);
    assert.ok(faces >= 20000, `${faces} faces`);
    const canvas = await (await page.$("#view")).boundingBox();
    const before = await framesSoFar(page);
    // Orbit with the mouse: each move asks for a frame; wait for each before the next.
    await page.mouse.move(canvas.x + canvas.width / 2, canvas.y + canvas.height / 2);
    await page.mouse.down();
    for (let step = 1; step <= 12; step++) {
        const frames = await framesSoFar(page);
        await page.mouse.move(canvas.x + canvas.width / 2 + step * 12, canvas.y + canvas.height / 2 + step * 3);
        await nextFrame(page, frames);
    }
    await page.mouse.up();
    const times = (await page.evaluate(() => window.norvaneViewer.frameTimes)).slice(before).sort((a, b) => a - b);
    const median = times[Math.floor(times.length / 2)];
    console.log(`city of ${faces} faces at ${canvas.width}x${canvas.height}: ${times.length} frames, ` +
        `median ${median.toFixed(1)} ms, slowest ${times[times.length - 1].toFixed(1)} ms`);
    assert.ok(times.length >= 12);
    assert.ok(median < maxMedianFrameMs, `median frame ${median.toFixed(1)} ms`);
    assert.deepEqual(problems, []);
    await page.close();
});

// A copy of a page whose limits (the program writes them as JSON) are set to `limits`.
function pageWithLimits(file, limits) {
    const page = fs.readFileSync(path.join(work, file), "utf8");
    const changed = page.replace(/(<script id="limits" type="application\/json">)([^<]*)/,
        (whole, open, json) => open + JSON.stringify({ ...JSON.parse(json), ...limits }));
    assert.notEqual(changed, page);
    const copy = file.replace(".html", `-${Object.keys(limits).join("-")}.html`);
    fs.writeFileSync(path.join(work, copy), changed);
    return copy;
}

const message = (page) => page.$eval("#message", (e) => (e.hidden ? "" : e.textContent));

test("a fragment out of the program's ranges is named, and the page draws with the defaults", async () => {
    for (const hash of ["#size=0x0&fov=180", "#size=100000x100000&fov=0", "#orbit=nan&elevation=inf&cull=sideways&camera=7"]) {
        const { page, problems } = await open("arena.html", hash);
        assert.deepEqual(problems, [], hash);
        const text = await message(page);
        for (const part of hash.slice(1).split("&")) assert.ok(text.includes(`The address's ${part}:`), `${hash}: ${text}`);
        const canvas = await page.$eval("#view", (c) => [c.width, c.height]);
        assert.ok(canvas[0] > 100 && canvas[1] > 100, `${hash}: the window's size, ${canvas}`);
        const drawn = await page.evaluate(([w, h]) => window.norvaneViewer.pick(w / 2, h / 2), canvas);
        assert.ok(drawn !== null, `${hash}: the scene is drawn`);
        await page.close();
    }
    const { page } = await open("arena.html", fixedHash); // a fragment in range says nothing
    assert.equal(await message(page), "");
    await page.close();
});

test("a view beyond the frame limit says so instead of taking minutes", async () => {
    const { page, problems } = await open(pageWithLimits("arena.html", { maxPageFrameSteps: 1000 }), fixedHash);
    assert.deepEqual(problems, []);
    assert.match(await message(page), /^This view is not drawn: its faces would take \d+ pixel steps, more than the page's limit of 1000 a frame/);
    assert.equal(await page.evaluate(() => window.norvaneViewer.pick(160, 120)), null, "nothing is drawn");
    await page.close();
});

test("a tree beyond the ordering limit says so when the page opens", async () => {
    const { page, problems } = await open(pageWithLimits("city.html", { maxPageOrderingSteps: 10 }));
    assert.deepEqual(problems, []);
    assert.match(await message(page), /^This tree is too large for the page: ordering the faces of its leaves takes more than 10 steps/);
    await page.close();
});
