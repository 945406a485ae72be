// Opens glTF exports with three.js's GLTFLoader in headless Chromium and holds each to its tree:
// the triangle count and the bounding box (x, y, -z of every face corner, as norvane-dump tree
// --json gives them). Usage: node three.mjs NORVANE-DUMP TREE.bsp:EXPORT.glb ...; exits 1 at
// the first disagreement. With SCREENSHOT=FILE.png it also renders the first export there.
import { execFileSync } from 'node:child_process';
import { readFileSync, writeFileSync } from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const here = path.dirname(fileURLToPath(import.meta.url));
const [dump, ...pairs] = process.argv.slice(2);
const files = new Map();
// GLTFLoader imports 'three' by name: the page maps it.
const page = '<!doctype html><title>three</title><script type="importmap">' +
  '{"imports":{"three":"/three/build/three.module.js"}}</script>';
const server = http.createServer((request, response) => {
  const url = decodeURIComponent(request.url);
  const file = url.startsWith('/three/') ? path.join(here, 'node_modules', url) : files.get(url);
  try {
    const body = url === '/' ? page : readFileSync(file);
    const type = url.endsWith('.js') ? 'text/javascript' : url === '/' ? 'text/html' : 'application/octet-stream';
    response.writeHead(200, { 'Content-Type': type }).end(body);
  } catch {
    response.writeHead(404).end();
  }
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const origin = `http://127.0.0.1:${server.address().port}`;

// What the tree says: its stored triangles and the box of their corners in glTF's frame.
function expected(tree) {
  const json = JSON.parse(execFileSync(dump, ['tree', tree, '--json'], { encoding: 'utf8', maxBuffer: 1 << 30 }));
  let triangles = 0;
  const min = [Infinity, Infinity, Infinity], max = [-Infinity, -Infinity, -Infinity];
  for (const node of json.nodes)
    for (const face of node.faces) {
      triangles++;
      for (const corner of face.corners) {
        const v = json.vertices[corner];
        [v.x, v.y, -v.z].forEach((value, k) => { min[k] = Math.min(min[k], value); max[k] = Math.max(max[k], value); });
      }
    }
  return { triangles, min, max };
}

const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-first-run',
         '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
let failed = 0;
try {
  const tab = await browser.newPage();
  tab.on('pageerror', (e) => console.log(`page error: ${e.message}`));
  await tab.goto(`${origin}/`);
  for (const [index, pair] of pairs.entries()) {
    const [tree, glb] = pair.split(':');
    files.set(`/model${index}.glb`, glb);
    const got = await tab.evaluate(async (url, shot) => {
      const THREE = await import('three');
      const { GLTFLoader } = await import('/three/examples/jsm/loaders/GLTFLoader.js');
      const gltf = await new GLTFLoader().loadAsync(url);
      let triangles = 0;
      gltf.scene.traverse((o) => { if (o.isMesh) triangles += (o.geometry.index ? o.geometry.index.count : o.geometry.attributes.position.count) / 3; });
      const box = new THREE.Box3().setFromObject(gltf.scene);
      let picture = null;
      if (shot) {
        const renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
        renderer.setSize(480, 360);
        const scene = new THREE.Scene();
        scene.background = new THREE.Color(0x1c2028);
        scene.add(gltf.scene, new THREE.HemisphereLight(0xffffff, 0x404040, 2.5));
        const light = new THREE.DirectionalLight(0xffffff, 2);
        light.position.set(-0.4, 1, 0.6);
        scene.add(light);
        const centre = box.getCenter(new THREE.Vector3()), size = box.getSize(new THREE.Vector3()).length();
        const camera = new THREE.PerspectiveCamera(45, 480 / 360, size / 100, size * 10);
        camera.position.copy(centre).add(new THREE.Vector3(0.6, 0.7, 0.9).multiplyScalar(size * 0.75));
        camera.lookAt(centre);
        renderer.render(scene, camera);
        picture = renderer.domElement.toDataURL('image/png');
      }
      return { triangles, min: box.min.toArray(), max: box.max.toArray(), picture };
    }, `/model${index}.glb`, index === 0 && !!process.env.SCREENSHOT);
    const want = expected(tree);
    const close = (a, b) => a.every((x, k) => Math.abs(x - b[k]) <= 1e-6 * Math.max(1, Math.abs(b[k])));
    const ok = got.triangles === want.triangles && close(got.min, want.min) && close(got.max, want.max);
    if (!ok) failed++;
    console.log(`${glb}: three.js ${got.triangles} triangles, box ${got.min} .. ${got.max}` +
                (ok ? ' (as the tree)' : ` WRONG: the tree has ${want.triangles}, ${want.min} .. ${want.max}`));
    if (got.picture) writeFileSync(process.env.SCREENSHOT, Buffer.from(got.picture.split(',')[1], 'base64'));
  }
} finally {
  await browser.close();
  server.close();
}
process.exit(failed ? 1 : 0);
