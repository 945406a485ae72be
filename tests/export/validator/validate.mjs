// Runs the Khronos glTF-Validator over every .glb/.gltf named on the command line: prints each
// issue, and exits 1 unless every file has 0 errors and 0 warnings (infos and hints are shown
// but allowed).
import { readFile } from 'node:fs/promises';
import path from 'node:path';
import validator from 'gltf-validator';

let failed = 0;
for (const file of process.argv.slice(2)) {
  const report = await validator.validateBytes(new Uint8Array(await readFile(file)), {
    uri: path.basename(file),
    maxIssues: 0,
    externalResourceFunction: (uri) => readFile(path.join(path.dirname(file), decodeURIComponent(uri)))
      .then((b) => new Uint8Array(b)),
  });
  const { numErrors, numWarnings, numInfos, numHints } = report.issues;
  const bad = numErrors + numWarnings > 0;
  if (bad) failed++;
  console.log(`${file}: ${numErrors} errors, ${numWarnings} warnings, ${numInfos} infos, ${numHints} hints`);
  for (const m of report.issues.messages.filter((m) => m.severity <= 1).slice(0, 20))
    console.log(`  [${m.severity}] ${m.code} ${m.pointer ?? ''}: ${m.message}`);
}
process.exit(failed ? 1 : 0);
