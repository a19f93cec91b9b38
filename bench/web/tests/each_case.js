// Runs the WebAssembly build's test program once per test case, each in a
// program instance of its own (the linked-in module starts afresh only with
// its instance), and fails if any case fails.
//   node each_case.js TESTS.js [program arguments]
'use strict';
const { spawnSync } = require('child_process');

const [program, ...args] = process.argv.slice(2);
// Without node's fetch the program's script reads its WebAssembly from the
// file beside it, as this Emscripten's scripts expect of node.
const run = extra => spawnSync(process.execPath, ['--no-experimental-fetch', program, ...args, ...extra],
  { encoding: 'utf8' });

const listed = run(['--list-test-cases', '--no-version', '--no-colors']);
if (listed.status !== 0) {
  process.stderr.write(listed.stdout + listed.stderr);
  process.exit(1);
}
// The names stand between the two rules of '=' the listing draws.
const lines = listed.stdout.split('\n');
const rules = lines.map((l, i) => (/^=+$/.test(l.trim()) ? i : -1)).filter(i => i >= 0);
const names = rules.length >= 2 ? lines.slice(rules[0] + 1, rules[1]).filter(l => l.trim()) : [];
if (!names.length) {
  process.stderr.write('no test cases listed:\n' + listed.stdout);
  process.exit(1);
}

let failed = 0;
for (const name of names) {
  // A filter splits at commas and takes '?' for any one character.
  const result = run(['--no-colors', '--test-case=' + name.replace(/[,\\]/g, '?')]);
  const passed = result.status === 0 && /test cases:\s*1 \|\s*1 passed/.test(result.stdout);
  console.log((passed ? 'passed  ' : 'FAILED  ') + name);
  if (!passed) {
    failed++;
    process.stdout.write(result.stdout + result.stderr);
  }
}
console.log(`${names.length - failed} of ${names.length} test cases passed, each in its own instance`);
process.exit(failed ? 1 : 0);
