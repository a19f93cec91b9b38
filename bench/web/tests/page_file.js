// The page file, as shipped: it names nothing outside itself, carries the
// read-out typefaces' licence notice, and its WebAssembly, unpacked from the
// file as the page unpacks it, answers the page's requests and flies.
//   node page_file.js try-in-browser.html
'use strict';
const assert = require('assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');

const file = process.argv[2];
const html = fs.readFileSync(file, 'utf8');

// Nothing to fetch: no attribute names a file or an address, no stylesheet
// imports one, and no address is written into the page outside the comment.
const body = html.replace(/<!--[\s\S]*?-->/, '');
assert.deepStrictEqual(body.match(/\s(src|href)\s*=\s*["'](?!#|data:|blob:)[^"']*["']/g), null,
  'the page refers to files');
assert.strictEqual(/@import|url\(/.test(body), false, 'the stylesheet refers to files');
assert.deepStrictEqual(body.match(/(https?|wss?):\/\/[^\s"'`)]*/g), null, 'the page names addresses');
assert.match(html, /SIL Open Font License/);
assert.match(html, /Reserved Font Name "DSEG"/);

function payload(id) {
  const m = html.match(new RegExp('<script type="application/gzip" id="' + id + '">([^<]*)</script>'));
  assert.ok(m, 'no ' + id + ' in the page');
  return zlib.gunzipSync(Buffer.from(m[1].replace(/\s+/g, ''), 'base64'));
}
const wasm = payload('payload-wasm');
for (const typeface of ['DSEG7', 'DSEG14'])
  assert.strictEqual(payload('payload-font-' + typeface).readUInt32BE(0), 0x00010000, typeface + ' is not a TrueType typeface');

// The program's script, as the page carries it.
const scripts = [...html.matchAll(/<script>\n([\s\S]*?)\n<\/script>/g)].map(m => m[1]);
const glue = scripts.find(s => s.includes('createPanelBench'));
assert.ok(glue, 'no program script in the page');
const glueFile = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'page-file-')), 'glue.js');
fs.writeFileSync(glueFile, glue);

(async () => {
  const program = await require(glueFile)({ wasmBinary: wasm, print() {}, printErr() {} });
  assert.strictEqual(program._web_start(1), 1, program.UTF8ToString(program._web_failure()));
  const request = (method, p, query, body) => {
    const status = program.ccall('web_handle', 'number', ['string', 'string', 'string', 'string'], [method, p, query, body]);
    const at = program._web_answer(), size = program._web_answer_size();
    return { status, bytes: Buffer.from(program.HEAPU8.slice(at, at + size)) };
  };
  const json = (...a) => { const r = request(...a); assert.strictEqual(r.status, 200, r.bytes.toString()); return JSON.parse(r.bytes); };

  const panel = json('GET', '/api/panel', '', '');
  assert.strictEqual(panel.gauges.length, 5);
  // Every bitmap the page draws comes out as a PNG of the face's own size.
  const face = panel.gauges[0].face;
  const png = request('GET', '/api/bitmap/' + face.bitmap + '.png', '', '');
  assert.strictEqual(png.bytes.subarray(1, 4).toString(), 'PNG');
  assert.deepStrictEqual([png.bytes.readUInt32BE(16), png.bytes.readUInt32BE(20)], [face.width, face.height]);
  // The page's file is not the program's to serve, and a new session is the page's own instance.
  assert.strictEqual(request('GET', '/', '', '').status, 404);
  assert.strictEqual(request('POST', '/api/reset', '', '{}').status, 403);

  // Started paused: the timer makes no time; ALT, one cycle, and the lamps light.
  assert.strictEqual(program._web_advance(1), 0);
  const g = panel.gauges.findIndex(x => x.name === 'altpreselector');
  const alt = panel.gauges[g].controls.find(c => c.name === 'ALT');
  const click = JSON.stringify({ gauge: 'altpreselector', x: alt.x + (alt.width >> 1), y: alt.y + (alt.height >> 1) });
  assert.strictEqual(request('POST', '/api/click', '', click).status, 200);
  assert.strictEqual(request('POST', '/api/step', '', '{"cycles":1}').status, 200);
  let state = json('GET', '/api/state', 'since=0', '');
  const lit = legend => state.gauges[g].lamps[panel.gauges[g].lamps.findIndex(l => l.legend === legend)] === '1';
  assert.ok(lit('ALT') && lit('SEL'), 'ALT and SEL are not lit');

  // Running at x16: a second of the page's time is 288 cycles, taken a quarter second at a time.
  assert.strictEqual(request('POST', '/api/speed', '', '{"speed":16}').status, 200);
  assert.strictEqual(request('POST', '/api/pause', '', '{"paused":false}').status, 200);
  let ran = 0;
  for (let i = 0; i < 4; i++) ran += program._web_advance(0.25);
  assert.strictEqual(ran, 288);
  state = json('GET', '/api/state', 'since=0', '');
  assert.strictEqual(state.cycle, 289);
  const script = request('GET', '/api/session.pbs', '', '').bytes.toString();
  assert.match(script, /click altpreselector \d+,\d+  # ALT\n/);
  assert.match(script, /expect lamp altpreselector SEL on\n/);
  console.log('passed: %s (%d bytes) carries its program, which flies; it names nothing outside itself',
              path.basename(file), html.length);
})().catch(e => { console.error(e); process.exit(1); });
