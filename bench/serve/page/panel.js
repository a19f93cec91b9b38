// The panel bench's page: draws the panel on a canvas from the module's own
// bitmaps (fetched once) and a compact state the session streams (lamps,
// read-out texts, token values, the timeline); sends clicks, settings and
// time controls back. Everything it knows is in `window.bench`, so that a
// person (or a test) can look at the page's own state from the console.
//
// One page, two transports: HTTP to `panelbench serve`, or, when the page is
// the one file try-in-browser.html (which carries the WebAssembly build and
// defines createPanelBench), direct calls into the same request handling
// running in the page, on a session the page's own timer steps.
//
// Placing gauges in a panel configuration of one's own (opening it, its
// background, dragging, the download) is layout.js, loaded after this file.
'use strict';

const POLL_MS = 55;  // about one panel cycle
const TIMELINE_LINES_KEPT = 3000;
// The gauges on their own (no panel configuration) are laid out in rows at
// the size their lettering needs: the smallest capitals our faces and
// legends are lettered with, 5 face pixels at 1x (the annunciator's legends,
// the preselector's PULL TENTHS), drawn at least LETTER_PX CSS pixels high.
const LETTER_PX = 7.5;
const SMALLEST_LETTERING = 5;
const GAP = 8;          // CSS pixels round and between gauges laid out in rows
const LABEL_ROOM = 18;  // CSS pixels beneath each for its name

const bench = {
  panel: null,      // layout and faces, from /api/panel
  state: null,      // the latest state, from /api/state
  images: {},       // bitmap id -> loaded image
  scale: 1,         // CSS pixels per window unit (of a panel configuration's window; the gauges' own face pixels in rows)
  views: [],        // where each gauge is drawn: {x, y} its top left in CSS pixels, {sx, sy} CSS pixels per face pixel
  next: 0,          // the next timeline line to ask for
  timeline: [],     // the session's lines, as "details" shows them
  plainTimeline: [],  // the same in plain words, as the timeline shows them
  chimesHeard: null,
  ready: false,     // the first state has been drawn
  zoom: 'fit',      // 'fit', or canvas pixels per window unit
  hover: null,      // the control under the pointer: {gauge, control}
  pressed: null,    // the control held down
  requests: 0,      // requests in flight that change the session
  epoch: 0,         // counts the sessions the page has shown: answers of an earlier one are not drawn
  shownMark: null,  // how far the session shown had come: {cycle, actions}
  onDraw: null,     // called after each state is drawn, for the console and the tests
  run: null,        // the last scenario run in the page: {status, verdict, failure, lines}
  fontsLoaded: false,  // the read-out faces have been added (or failed to load, and the plain face is used)

  gauge(name) { return this.panel.gauges.findIndex(g => g.name === name); },
  // Is the lamp of that legend on that gauge lit?
  lamp(gauge, legend) {
    const i = this.gauge(gauge);
    if (i < 0 || !this.state) return undefined;
    const j = this.panel.gauges[i].lamps.findIndex(l => l.legend === legend);
    return j < 0 ? undefined : this.state.gauges[i].lamps[j] === '1';
  },
  // The text of that read-out on that gauge.
  text(gauge, readout) {
    const i = this.gauge(gauge);
    if (i < 0 || !this.state) return undefined;
    const j = this.panel.gauges[i].texts.findIndex(t => t.readout === readout);
    return j < 0 ? undefined : this.state.gauges[i].texts[j];
  },
  // Where the centre of a named control lies on the canvas, in CSS pixels from its top left.
  pointOf(gauge, control) {
    const g = this.panel.gauges[this.gauge(gauge)];
    const c = g && g.controls.find(c => c.name === control);
    if (!c) return undefined;
    const v = this.views[this.gauge(gauge)];
    return { x: v.x + (c.x + c.width / 2) * v.sx, y: v.y + (c.y + c.height / 2) * v.sy };
  },
  // Where a gauge is drawn and at what scale (CSS pixels per face pixel).
  viewOf(gauge) { return this.views[this.gauge(gauge)]; },
};
window.bench = bench;

// HTTP to the server: every request is a fetch. A change to the session
// carries the server's token for this run, read once from /api/token.
function httpTransport() {
  let token = null;
  return {
    kind: 'http',
    async request(path, body) {
      if (body !== undefined && token === null) {
        const given = await fetch('/api/token');
        if (!given.ok) return { ok: false, text: await given.text() };
        token = (await given.json()).token;
      }
      const options = body === undefined ? {} : {
        method: 'POST',
        headers: { 'Content-Type': 'application/json', 'X-Panelbench-Token': token },
        body: JSON.stringify(body),
      };
      const response = await fetch(path, options);
      return { ok: response.ok, text: await response.text() };
    },
    async bitmapUrl(id) { return '/api/bitmap/' + id + '.png'; },
    async font(name) {
      const response = await fetch('/fonts/' + name.toLowerCase() + '.ttf');
      if (!response.ok) throw new Error((await response.text()).trim());
      return response.arrayBuffer();
    },
    async bytes(path) {
      const response = await fetch(path);
      if (!response.ok) throw new Error((await response.text()).trim());
      return new Uint8Array(await response.arrayBuffer());
    },
    async helpScenario() {
      const response = await fetch('/first_climb.pbs');
      if (!response.ok) throw new Error((await response.text()).trim());
      return response.text();
    },
    async reset() { return this.request('/api/reset', {}); },
    // The server has laid the panel out anew already.
    async relayout() {},
  };
}

// The WebAssembly build in the page: its parts are carried gzipped and in
// base64 in the page's own script elements, so nothing is fetched. A new
// session is a new instance of the program, in which the module starts
// afresh, as a newly loaded module does.
async function webTransport() {
  async function unpack(id) {
    const text = document.getElementById(id).textContent.replace(/\s+/g, '');
    const bytes = Uint8Array.from(atob(text), c => c.charCodeAt(0));
    const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
    return new Response(stream).arrayBuffer();
  }
  const compiled = await WebAssembly.compile(await unpack('payload-wasm'));
  const decoder = new TextDecoder();
  let program = null, last = 0;
  // A text handed to the program in its own memory (a document may be too
  // large for the stack that passing it directly would use).
  function withText(program, text, work) {
    const size = program.lengthBytesUTF8(text) + 1, at = program._malloc(size);
    try {
      program.stringToUTF8(text, at, size);
      return work(at);
    } finally {
      program._free(at);
    }
  }
  // A new program instance, with the panel configuration being edited
  // (its document as JSON) or without one. It replaces the running one only
  // once it has started.
  async function start(documentJson) {
    const next = await createPanelBench({
      instantiateWasm(imports, done) {
        WebAssembly.instantiate(compiled, imports).then(instance => done(instance, compiled));
        return {};
      },
      print() {},
      printErr(text) { console.warn(text); },
    });
    if (!withText(next, documentJson || '', at => next._web_start(0, at)))
      throw new Error(next.UTF8ToString(next._web_failure()));
    program = next;
    last = performance.now();
  }
  await start();
  // The page's timer: the time gone by since the last tick becomes panel cycles.
  setInterval(() => {
    const now = performance.now();
    if (program) program._web_advance((now - last) / 1000);
    last = now;
  }, 1000 / 18);
  function answer(method, path, body) {
    const q = path.indexOf('?');
    const status = withText(program, body === undefined ? '' : JSON.stringify(body), at =>
      program.ccall('web_handle', 'number', ['string', 'string', 'string', 'number'],
        [method, q < 0 ? path : path.slice(0, q), q < 0 ? '' : path.slice(q + 1), at]));
    const at = program._web_answer(), size = program._web_answer_size();
    return { ok: status >= 200 && status < 300, status, bytes: program.HEAPU8.slice(at, at + size) };
  }
  return {
    kind: 'web',
    async request(path, body) {
      const r = answer(body === undefined ? 'GET' : 'POST', path, body);
      return { ok: r.ok, text: decoder.decode(r.bytes) };
    },
    async bitmapUrl(id) {
      const r = answer('GET', '/api/bitmap/' + id + '.png');
      if (!r.ok) throw new Error(decoder.decode(r.bytes).trim());
      return URL.createObjectURL(new Blob([r.bytes], { type: 'image/png' }));
    },
    async font(name) { return unpack('payload-font-' + name); },
    async helpScenario() { return document.getElementById('help-scenario').textContent; },
    async bytes(path) {
      const r = answer('GET', path);
      if (!r.ok) throw new Error(decoder.decode(r.bytes).trim());
      return r.bytes;
    },
    // A new session carries the panel configuration being edited, as it now reads.
    async reset() {
      const d = answer('GET', '/api/panel/document');
      await start(d.ok ? decoder.decode(d.bytes) : '');
      return { ok: true, text: '{"ok":true}' };
    },
    // A panel laid out anew is a new instance, started with the document.
    async relayout(doc) { await start(JSON.stringify(doc)); },
    // A scenario run in an instance of its own, as `panelbench run` runs it.
    async runScenario(name, text) {
      const runner = await createPanelBench({
        instantiateWasm(imports, done) {
          WebAssembly.instantiate(compiled, imports).then(instance => done(instance, compiled));
          return {};
        },
        print() {},
        printErr(line) { console.warn(line); },
      });
      const status = withText(runner, name, at => withText(runner, text, textAt => runner._web_run(at, textAt)));
      const out = runner.HEAPU8.slice(runner._web_answer(), runner._web_answer() + runner._web_answer_size());
      return { status, out: decoder.decode(out), err: runner.UTF8ToString(runner._web_failure()) };
    },
  };
}

let transport = null;

const canvas = document.getElementById('panel');
const context = canvas.getContext('2d');
const $ = id => document.getElementById(id);

function showStatus(text) { $('status').textContent = text; }

// The help opens on a first visit; once closed it stays closed, as kept in
// the browser's own storage for this page (nothing leaves the machine).
const HELP_CLOSED = 'panelbench.help-closed';

// The help's steps: the notes of the scenario the tests fly (first_climb.pbs), one a step.
function helpSteps(scenario) {
  return scenario.split('\n').filter(line => /^note\s/.test(line)).map(line => line.replace(/^note\s+/, '').trim());
}

async function showHelp() {
  const help = $('help');
  let closed = false;
  try {
    closed = localStorage.getItem(HELP_CLOSED) === '1';
  } catch (e) {
    // no storage (blocked): the help opens each time
  }
  help.open = !closed;
  help.addEventListener('toggle', () => {
    try {
      localStorage.setItem(HELP_CLOSED, help.open ? '0' : '1');
    } catch (e) {
      // not kept
    }
  });
  const list = $('help-steps');
  try {
    for (const step of helpSteps(await transport.helpScenario())) {
      const item = document.createElement('li');
      item.textContent = step;
      list.appendChild(item);
    }
  } catch (e) {
    list.textContent = 'the steps could not be read: ' + e.message;
  }
}

// A number as a person types it: "1.5", and "1,5" as 1.5 too. Returns
// {value} or {refusal}. "1,500" could be either 1500 or 1.5 and is refused,
// as is anything not a plain number ("1e3", "2 500", "1.2.3").
function parseNumber(text) {
  const t = text.trim();
  if (t === '') return { refusal: 'type a number' };
  if (!/^[+-]?(\d+([.,]\d*)?|[.,]\d+)$/.test(t)) return { refusal: 'type a number such as 1.5 or 1,5' };
  if (/^[+-]?\d{1,3},\d{3}$/.test(t))
    return { refusal: '"' + t + '" could be ' + t.replace(',', '') + ' or ' + t.replace(',', '.') + ': type it without the comma, or with a point' };
  return { value: Number(t.replace(',', '.')) };
}

// How the instruments use a value set, where that is not the value itself.
function usedAs(token, value, unit) {
  const whole = Math.trunc(value);
  if ((token === 'ap_alt_ref' || token === 'ap_vs_ref') && whole !== value)
    return 'the autopilot uses whole ' + unit + ', cut toward zero: ' + whole + ' ' + unit;
  if (token === 'baro' && Math.round(value * 10) / 10 !== value)
    return 'the preselector shows it to one decimal: ' + value.toFixed(1) + ' ' + unit;
  return '';
}

// Sends a request; a refusal's one-line message is shown in the page.
async function call(path, body) {
  const response = path === '/api/reset' ? await transport.reset() : await transport.request(path, body);
  if (!response.ok) {
    showStatus(response.text.trim());
    throw new Error(response.text.trim());
  }
  return response.text;
}

// A change to the session: sent, then the state fetched at once. Returns the
// refusal's message, or '' when it was done.
async function act(path, body) {
  unlockSound();  // every change comes from a person's gesture, which lets the page make sound
  bench.requests++;
  let refusal = '';
  try {
    await call(path, body);
    showStatus('');
  } catch (e) {
    refusal = e.message;  // also shown by call()
  } finally {
    bench.requests--;
  }
  await poll();
  return refusal;
}

// A click: its answer is the state with the click drawn, shown at once.
async function click(gauge, x, y) {
  unlockSound();
  bench.requests++;
  try {
    const epoch = bench.epoch;
    const state = JSON.parse(await call('/api/click', { gauge, x, y, since: bench.next }));
    showStatus('');
    show(state, epoch);
  } catch (e) {
    // shown by call()
  } finally {
    bench.requests--;
  }
}

async function loadImage(id) {
  const url = await transport.bitmapUrl(id);
  return new Promise((resolve, reject) => {
    const image = new Image();
    image.onload = () => resolve(image);
    image.onerror = () => reject(new Error('bitmap ' + id + ' did not load'));
    image.src = url;
  });
}

// The read-outs' typefaces; without them the read-outs fall back to a plain typeface.
async function loadFonts() {
  await Promise.all(['DSEG7', 'DSEG14'].map(async name => {
    const typeface = new FontFace(name, await transport.font(name));
    document.fonts.add(await typeface.load());
  })).catch(e => console.warn('read-out typeface not loaded: ' + e.message));
}

// The panel's layout and what it needs drawn; again after the panel is laid out anew.
async function load() {
  bench.panel = JSON.parse(await call('/api/panel'));
  bench.state = null;
  const ids = new Set();
  for (const g of bench.panel.gauges) {
    ids.add(g.face.bitmap);
    for (const l of g.lamps) ids.add(l.bitmap);
  }
  await Promise.all([...ids].filter(id => !bench.images[id]).map(async id => { bench.images[id] = await loadImage(id); }));
  // (document.fonts.check() answers true for a face never added, so the page keeps its own mark.)
  if (!bench.fontsLoaded) {
    await loadFonts();
    bench.fontsLoaded = true;
    inkRatio = null;  // measured again in the face now loaded
  }
  $('source').textContent = bench.panel.source + ' [' + bench.panel.section + ']';
  for (const form of document.querySelectorAll('form.setting')) {
    const range = bench.panel.ranges[form.dataset.token], input = form.querySelector('input');
    if (!range) continue;
    input.min = range.low;
    input.max = range.high;
    input.title = range.low + ' to ' + range.high + ' ' + range.unit;
  }
  await layoutLoaded();
  fit();
  draw();
}

// Lays the panel out for the zoom chosen, and sizes the canvas to it: a
// pixel for each device pixel, so that it stays sharp on any screen.
function fit() {
  const room = $('panel-area').clientWidth || 800;
  const size = bench.panel.labels ? inRows(room) : inPlace(room);
  canvas.style.width = Math.round(size.width) + 'px';
  canvas.style.height = Math.round(size.height) + 'px';
  const ratio = window.devicePixelRatio || 1;
  canvas.width = Math.round(size.width * ratio);
  canvas.height = Math.round(size.height * ratio);
}

// A panel configuration's window, with the gauges where it places them:
// scaled to the width at hand (never below a quarter size, never above
// three times), or 1x or 2x.
function inPlace(room) {
  const panel = bench.panel;
  const s = bench.zoom === 'fit' ? Math.min(3, Math.max(0.25, room / panel.width)) : Number(bench.zoom);
  bench.scale = s;
  bench.views = panel.gauges.map(g => ({ x: g.x * s, y: g.y * s, sx: g.width / g.face.width * s, sy: g.height / g.face.height * s }));
  return { width: panel.width * s, height: panel.height * s };
}

// Our gauges on their own: in rows, each at the size its lettering needs
// (larger on a wide window, up to twice), wrapping onto the next row rather
// than shrinking; a gauge wider than the window has a row of its own, and
// the panel scrolls sideways. 1x and 2x draw the faces at that size.
function inRows(room) {
  const gauges = bench.panel.gauges, legible = LETTER_PX / SMALLEST_LETTERING;
  let s = Number(bench.zoom);
  if (bench.zoom === 'fit') {
    const oneRow = gauges.reduce((sum, g) => sum + g.face.width * legible + GAP, GAP);
    s = legible * Math.min(2, Math.max(1, room / oneRow));
  }
  bench.scale = s;
  let x = GAP, y = GAP, tallest = 0, widest = 0;
  bench.views = gauges.map(g => {
    const width = g.face.width * s, height = g.face.height * s;
    if (x > GAP && x + width + GAP > room) {
      x = GAP;
      y += tallest + LABEL_ROOM;
      tallest = 0;
    }
    const view = { x, y, sx: s, sy: s };
    x += width + GAP;
    widest = Math.max(widest, x);
    tallest = Math.max(tallest, height);
    return view;
  });
  return { width: widest, height: y + tallest + LABEL_ROOM };
}

// A panel just laid out anew may be drawn (a poll's answer, a change of
// width) before its pictures have loaded: a gauge is drawn once its face is.
function draw() {
  const panel = bench.panel, state = bench.state;
  if (!panel) return;
  if (bench.views.length !== panel.gauges.length) fit();
  const ratio = window.devicePixelRatio || 1, unit = ratio * bench.scale;  // device pixels per CSS pixel, per window unit
  context.setTransform(1, 0, 0, 1, 0, 0);
  context.imageSmoothingQuality = 'high';
  context.fillStyle = '#2a2a2a';
  context.fillRect(0, 0, canvas.width, canvas.height);
  context.setTransform(unit, 0, 0, unit, 0, 0);
  context.imageSmoothingEnabled = unit !== Math.round(unit);
  layoutBeneath();
  // Gauges of other files: labelled empty boxes.
  for (const b of panel.boxes) {
    const height = b.height || b.width;  // square when the line gives no height
    context.strokeStyle = '#777';
    context.lineWidth = 1 / unit;
    context.setLineDash([4 / unit, 3 / unit]);
    context.strokeRect(b.x, b.y, b.width, height);
    context.setLineDash([]);
    context.fillStyle = '#999';
    context.font = Math.max(6, Math.min(14, height / 4)) + 'px sans-serif';
    context.textAlign = 'center';
    context.textBaseline = 'middle';
    context.fillText(b.label, b.x + b.width / 2, b.y + height / 2, b.width - 4);
  }
  panel.gauges.forEach((g, i) => {
    const v = bench.views[i], sx = ratio * v.sx, sy = ratio * v.sy;  // device pixels per face pixel
    if (!bench.images[g.face.bitmap] || g.lamps.some(l => !bench.images[l.bitmap])) return;
    context.setTransform(sx, 0, 0, sy, ratio * v.x, ratio * v.y);
    // Bitmaps scaled smoothly; whole multiples stay crisp.
    context.imageSmoothingEnabled = sx !== Math.round(sx) || sy !== Math.round(sy);
    context.drawImage(bench.images[g.face.bitmap], 0, 0);
    const shown = state && state.gauges[i];
    if (shown) {
      g.lamps.forEach((l, j) => { if (shown.lamps[j] === '1') context.drawImage(bench.images[l.bitmap], l.x, l.y); });
      g.texts.forEach((t, j) => drawText(t, shown.texts[j], sy));
    }
    // The control under the pointer outlined; the one held down shown pressed.
    for (const [mark, pressed] of [[bench.hover, false], [bench.pressed, true]]) {
      if (!mark || mark.gauge !== g.name) continue;
      const c = mark.control;
      if (pressed) {
        context.fillStyle = 'rgba(0, 0, 0, 0.35)';
        context.fillRect(c.x, c.y, c.width, c.height);
      }
      context.strokeStyle = pressed ? '#ffb84d' : '#ffd27a';
      context.lineWidth = 2 / sx;  // two device pixels
      context.strokeRect(c.x + 0.5, c.y + 0.5, c.width - 1, c.height - 1);
    }
    if (panel.labels) {
      const width = g.face.width * v.sx;
      context.setTransform(ratio, 0, 0, ratio, 0, 0);
      context.fillStyle = '#c8c8c8';
      context.font = '12px sans-serif';
      context.textAlign = 'center';
      context.textBaseline = 'top';
      context.fillText(g.name, v.x + width / 2, v.y + g.face.height * v.sy + 3, width);
    }
  });
  context.setTransform(unit, 0, 0, unit, 0, 0);
  layoutAbove(unit);
}

// The height of an '8' in the read-out typeface, per pixel of font size.
let inkRatio = null;
function inkPerPixel() {
  if (inkRatio === null) {
    context.save();
    context.font = '100px DSEG7, DSEG14, monospace';
    const m = context.measureText('8');
    context.restore();
    const ink = (m.actualBoundingBoxAscent + m.actualBoundingBoxDescent) / 100;
    inkRatio = ink > 0.2 ? ink : 0.7;
  }
  return inkRatio;
}

// A read-out: its box in the background colour, the text centred in the
// text colour. `scale` is device pixels per face pixel.
function drawText(box, text, scale) {
  context.fillStyle = box.background;
  context.fillRect(box.x, box.y, box.width, box.height);
  if (!text) return;
  context.save();
  context.beginPath();
  context.rect(box.x, box.y, box.width, box.height);
  context.clip();
  // As in the bench's pictures: the ink of an '8' fills the box less a margin above and below.
  const margin = Math.max(1, Math.round(box.height * 0.15));
  let size = Math.max(4, (box.height - 2 * margin) / inkPerPixel());
  // The face's own decimal point is a sliver at read-out sizes ("4.0" reads
  // "40"), and a square one drawn against the digit reads as a comma: a
  // round dot is drawn on the baseline, clear of the digits on both sides,
  // never less than two device pixels across.
  const point = text.indexOf('.');
  const parts = point < 0 ? [text] : [text.slice(0, point), text.slice(point + 1)];
  const dot = () => Math.max(size * inkPerPixel() * 0.16, 2 / scale);
  const pointWidth = () => (point < 0 ? 0 : dot() * 2.2);
  const measure = () => parts.reduce((sum, part) => sum + context.measureText(part).width, 0) + pointWidth();
  context.font = size + 'px DSEG7, DSEG14, monospace';
  const width = measure();
  if (width > box.width - 2) {
    size *= (box.width - 2) / width;
    context.font = size + 'px DSEG7, DSEG14, monospace';
  }
  context.fillStyle = box.colour;
  context.textAlign = 'left';
  context.textBaseline = 'middle';
  const middle = box.y + box.height / 2 + 1;
  let x = box.x + (box.width - measure()) / 2;
  context.fillText(parts[0], x, middle);
  if (point >= 0) {
    x += context.measureText(parts[0]).width;
    const bottom = middle + (size * inkPerPixel()) / 2, d = dot();
    context.beginPath();
    context.arc(x + pointWidth() / 2, bottom - d / 2, d / 2, 0, 2 * Math.PI);
    context.fill();
    context.fillText(parts[1], x + pointWidth(), middle);
  }
  context.restore();
}

// The gauge and face point under a canvas point (CSS pixels), if any: of
// gauges that overlap, the one drawn last, on top.
function facePoint(event) {
  const rect = canvas.getBoundingClientRect();
  const px = event.clientX - rect.left, py = event.clientY - rect.top;
  for (let i = bench.panel.gauges.length - 1; i >= 0; i--) {
    const g = bench.panel.gauges[i], v = bench.views[i];
    if (!v) continue;
    const x = Math.floor((px - v.x) / v.sx), y = Math.floor((py - v.y) / v.sy);
    if (x < 0 || y < 0 || x >= g.face.width || y >= g.face.height) continue;
    const control = g.controls.find(c => x >= c.x && y >= c.y && x < c.x + c.width && y < c.y + c.height);
    return { gauge: g, x, y, control };
  }
  return null;
}

function mark(at) { return at && at.control ? { gauge: at.gauge.name, control: at.control } : null; }
function same(a, b) { return a === b || (a && b && a.gauge === b.gauge && a.control === b.control); }

canvas.addEventListener('mousemove', event => {
  if (!bench.panel) return;
  const at = facePoint(event);
  const name = at ? at.gauge.name + (at.control ? ' ' + at.control.name : '') : '';
  canvas.title = name;
  canvas.style.cursor = layoutCursor(event) || (at && at.control ? 'pointer' : 'default');
  $('pointer').textContent = name;
  const hover = mark(at);
  if (!same(hover, bench.hover)) {
    bench.hover = hover;
    draw();
  }
});

canvas.addEventListener('mouseleave', () => {
  bench.hover = bench.pressed = null;
  draw();
});

canvas.addEventListener('mousedown', event => {
  if (!bench.panel || event.button !== 0) return;
  if (layoutPointerDown(event)) return;
  bench.pressed = mark(facePoint(event));
  draw();
});

window.addEventListener('mouseup', () => {
  if (!bench.pressed) return;
  bench.pressed = null;
  draw();
});

canvas.addEventListener('click', event => {
  if (!bench.panel || layoutTookClick()) return;
  const at = facePoint(event);
  if (at) click(at.gauge.name, at.x, at.y);
});

// The wheel over a knob turns it: a click on its increase or decrease area.
canvas.addEventListener('wheel', event => {
  if (!bench.panel) return;
  const at = facePoint(event);
  if (!at || !at.control || !/^knob-(inc|dec)$/.test(at.control.name) || event.deltaY === 0) return;
  event.preventDefault();
  const c = at.gauge.controls.find(c => c.name === (event.deltaY < 0 ? 'knob-inc' : 'knob-dec'));
  if (c) click(at.gauge.name, c.x + (c.width >> 1), c.y + (c.height >> 1));
}, { passive: false });

// The chime: a two-tone bell the page makes itself. Browsers allow sound only
// after a person has used the page; until then (or with sound blocked) it stays silent.
let audio = null;
function unlockSound() {
  try {
    if (!audio) audio = new (window.AudioContext || window.webkitAudioContext)();
    if (audio.state === 'suspended') audio.resume();
  } catch (e) {
    audio = null;
  }
}

function chime() {
  if (!audio || !$('sound').checked || audio.state !== 'running') return;
  const start = audio.currentTime;
  [[880, 0], [698.5, 0.32]].forEach(([frequency, delay]) => {
    const tone = audio.createOscillator(), level = audio.createGain();
    tone.type = 'sine';
    tone.frequency.value = frequency;
    level.gain.setValueAtTime(0.0001, start + delay);
    level.gain.exponentialRampToValueAtTime(0.3, start + delay + 0.01);
    level.gain.exponentialRampToValueAtTime(0.0001, start + delay + 0.9);
    tone.connect(level).connect(audio.destination);
    tone.start(start + delay);
    tone.stop(start + delay + 1);
  });
}

function number(value, digits) {
  return value === null || value === undefined ? '-' : Number(value).toFixed(digits);
}

// A value set by a person, as it stands (to two decimals, no trailing zeros), not rounded to whole units.
function exact(value) {
  return value === null || value === undefined ? '-' : String(Number(Number(value).toFixed(2)));
}

function showState(state) {
  const t = state.tokens;
  $('time').textContent = number(state.time, 2) + ' s' + (state.paused ? ' (paused)' : '') +
    (state.speed > 1 ? ' x' + state.speed : '');
  $('altitude').textContent = number(t.altitude, 0) + ' ft';
  $('vs').textContent = number(t.vertical_speed, 0) + ' ft/min';
  $('alt_ref').textContent = exact(t.ap_alt_ref) + ' ft';
  $('vs_ref').textContent = exact(t.ap_vs_ref) + ' ft/min';
  $('baro').textContent = number(t.baro, 2) + ' inHg';
  $('master').textContent = t.ap_master === 1 ? 'on' : 'off';
  const modes = [['VS', 'ap_vs'], ['ALT', 'ap_alt'], ['HDG', 'ap_hdg'], ['NAV', 'ap_nav'], ['APR', 'ap_apr'],
    ['REV', 'ap_rev'], ['GS', 'ap_gs'], ['FD', 'ap_fd'], ['GPSS', 'ap_gpss']];
  $('modes').innerHTML = modes.map(([label, token]) =>
    '<span class="mode' + (t[token] === 1 ? ' on' : '') + '">' + label + '</span>').join('');
  $('chimes').textContent = state.chimes + (state.chimes === 1 ? ' chime' : ' chimes') +
    (state.engaged ? ', vertical mode engaged' : '');
  $('pause').textContent = state.paused ? 'Run' : 'Pause';
  $('step').disabled = !state.paused;
  for (const b of document.querySelectorAll('#speeds button'))
    b.classList.toggle('chosen', Number(b.dataset.speed) === state.speed);
  if (bench.chimesHeard !== null && state.chimes > bench.chimesHeard) chime();
  bench.chimesHeard = state.chimes;
}

// The timeline in a pilot's words. The session's lines (event names and
// numbers, as the downloaded scenario and `panelbench run` give them) are
// kept, and shown as they are under "details"; here each is told plainly,
// or left out where it only repeats the line before it in other words (the
// second event of an engage or release pair). The words depend on what came
// before: which vertical mode button was pressed last, and whether the
// preselector's read-out shows the barometric setting.
const plain = { mode: '', baro: true };
const CONTROL_WORDS = {
  'knob-inc': 'turn the knob up', 'knob-dec': 'turn the knob down', 'knob-pull': 'pull the knob (PULL TENTHS)',
  ARM: 'press ARM (the spot between ALT and VS)',
};
const SETTING_WORDS = {
  altitude: ['altitude', 'ft'], vertical_speed: ['vertical speed', 'ft/min'], ap_alt_ref: ['altitude reference', 'ft'],
  ap_vs_ref: ['VS reference', 'ft/min'], baro: ['baro', 'inHg'], ap_master: ['autopilot master', ''],
};

function signed(value) { return (value > 0 ? '+' : '') + value; }

function plainLine(line) {
  const m = /^(\s*[\d.]+)s\s+(.*)$/.exec(line);
  if (!m) return line;
  const time = m[1] + ' s  ', what = m[2];
  const words = plainWords(what);
  return words === null ? null : time + words;
}

function plainWords(what) {
  let m;
  if ((m = /^click (\S+) (\S+) at \d+,\d+/.exec(what))) {
    if (m[1] === 'autopilot' && ['VS', 'ALT', 'ARM'].includes(m[2])) plain.mode = m[2];
    return m[1] + ': ' + (CONTROL_WORDS[m[2]] || 'press ' + m[2]);
  }
  if ((m = /^click (\S+) at (\d+,\d+)/.exec(what))) return m[1] + ': a click at ' + m[2] + ' (face pixels), on no control';
  if ((m = /^event (\w+) \(\d+\)(?: (-?\d+))?/.exec(what))) return eventWords(m[1], m[2] === undefined ? null : Number(m[2]));
  if ((m = /^lamp (.+) (\S+) (on|off)$/.exec(what))) {
    if (m[2] === 'BARO' && /preselector/.test(m[1])) plain.baro = m[3] === 'on';
    return m[1] + ': ' + m[2] + (m[3] === 'on' ? ' lit' : ' dark');
  }
  if ((m = /^text (.+) (altitude|vs) "(.*)"$/.exec(what))) return m[1] + ': ' + readoutWords(m[1], m[2], m[3].trim());
  if ((m = /^set (\w+) (\S+)$/.exec(what)) && SETTING_WORDS[m[1]]) {
    const [name, unit] = SETTING_WORDS[m[1]];
    if (m[1] === 'ap_master') return 'autopilot master ' + (Number(m[2]) === 1 ? 'on' : 'off');
    return name + ' set to ' + m[2] + ' ' + unit;
  }
  if ((m = /^chime \d+ /.exec(what))) return 'chime';
  if (/^chime not played/.test(what)) return 'chime not played (the sound did not play)';
  if ((m = /^sound load .* -> (-?\d+)$/.exec(what))) return m[1] === '0' ? 'the chime sound could not be loaded' : 'the chime sound loaded';
  if ((m = /^aircraft: level at (-?\d+) ft$/.exec(what))) return 'the aircraft levels off at ' + m[1] + ' ft';
  if (what === 'aircraft: vertical mode engaged') return 'the aircraft follows the autopilot\'s vertical mode';
  if (what === 'aircraft: vertical mode released') return 'the aircraft flies on by hand (vertical mode released)';
  if (what === 'aircraft: on the ground') return 'the aircraft is on the ground';
  if ((m = /^place (\S+)/.exec(what))) return m[1] + ' on the panel';
  if (what === 'no mouse area there: nothing happens') return 'nothing there to press';
  return what;
}

function eventWords(name, value) {
  const mode = plain.mode;
  switch (name) {
    case 'evt_vs_ref_set':
      if (mode === 'VS') return 'VS engaged at ' + signed(value) + ' ft/min';
      if (mode === 'ALT') return 'ALT engaged: holds the present altitude, VS reference 0 ft/min';
      if (mode === 'ARM') return 'ARM engaged at ' + signed(value) + ' ft/min';
      return 'VS reference ' + signed(value) + ' ft/min';
    case 'evt_alt_ref_set': return 'altitude reference ' + value + ' ft';
    case 'evt_vertical_engage_a': plain.mode = ''; return null;
    case 'evt_vertical_engage_b': return null;
    case 'evt_vertical_release_a': {
      const released = mode ? mode + ' released' : 'vertical mode released';
      plain.mode = '';
      return released;
    }
    case 'evt_vertical_release_b': return null;
    case 'evt_vs_step_up': return 'VS reference a step up';
    case 'evt_vs_step_down': return 'VS reference a step down';
    default: {
      const button = /^evt_(\w+)_button$/.exec(name);
      return button ? button[1].toUpperCase() + ' to the aircraft\'s autopilot' : name + ' ' + value;
    }
  }
}

// A read-out's text with what it stands for.
function readoutWords(gauge, readout, text) {
  if (readout === 'vs') return 'VS read-out ' + text + ' (' + (Number(text) === 0 ? '0' : signed(Number(text) * 100)) + ' ft/min)';
  const value = Number(text);
  if (plain.baro && gauge.startsWith('altpreselector')) return 'baro read-out ' + text + ' (inHg)';
  return 'altitude read-out ' + text + ' (' + (Number.isFinite(value) ? Math.round(value * 1000).toLocaleString('en') : text) +
    ' ft)';
}

function showTimeline() {
  const view = $('timeline');
  const atEnd = view.scrollTop + view.clientHeight >= view.scrollHeight - 4;
  view.textContent = ($('details').checked ? bench.timeline : bench.plainTimeline).join('\n');
  if (atEnd) view.scrollTop = view.scrollHeight;
}

// New timeline lines; an answer that overlaps what is shown (a click's and a
// poll's crossing) adds only the lines not yet shown.
function addTimeline(timeline) {
  if (timeline.next < bench.next) return;
  if (timeline.from > bench.next) {
    bench.timeline.push('   ... ' + (timeline.from - bench.next) + ' lines not shown');
    bench.plainTimeline.push('   ... ' + (timeline.from - bench.next) + ' lines not shown');
  }
  const lines = timeline.lines.slice(Math.max(0, bench.next - timeline.from));
  bench.timeline.push(...lines);
  for (const line of lines) {
    const words = plainLine(line);
    if (words !== null) bench.plainTimeline.push(words);
  }
  bench.next = timeline.next;
  if (!lines.length) return;
  for (const kept of [bench.timeline, bench.plainTimeline])
    if (kept.length > TIMELINE_LINES_KEPT) kept.splice(0, kept.length - TIMELINE_LINES_KEPT);
  showTimeline();
}

// A state from the session, drawn. Answers may come back in another order
// than the server made them (a poll made before a click, answered after
// it): a state from before the one shown is passed over, so that a lamp
// never flickers back. The session only goes forward, in panel cycles and
// in actions; a new session (startOver) begins a new epoch, and answers of
// the one before are passed over.
function show(state, epoch) {
  if (epoch !== bench.epoch) return;
  const mark = bench.shownMark;
  if (mark && (state.cycle < mark.cycle || (state.cycle === mark.cycle && state.actions < mark.actions))) return;
  bench.shownMark = { cycle: state.cycle, actions: state.actions };
  bench.state = state;
  showState(state);
  addTimeline(state.timeline);
  draw();
  bench.ready = true;
  if (bench.onDraw) bench.onDraw(state);
}

let polling = null;
async function poll() {
  if (polling) return polling;
  polling = (async () => {
    try {
      const epoch = bench.epoch;
      show(JSON.parse(await call('/api/state?since=' + bench.next)), epoch);
    } catch (e) {
      showStatus('the server does not answer: ' + e.message);
    } finally {
      polling = null;
    }
  })();
  return polling;
}

async function pollForever() {
  await poll();
  setTimeout(pollForever, POLL_MS);
}

function wire() {
  // Each setting is checked against the range the session takes, and a
  // refusal (the page's or the session's) is shown beneath its own field.
  for (const form of document.querySelectorAll('form.setting')) {
    const input = form.querySelector('input'), refusal = form.querySelector('.refusal');
    const refuse = text => {
      refusal.textContent = text;
      input.setAttribute('aria-invalid', text ? 'true' : 'false');
    };
    input.addEventListener('input', () => {
      refuse('');
      form.querySelector('.note').textContent = '';
    });
    form.addEventListener('submit', async event => {
      event.preventDefault();
      const range = bench.panel && bench.panel.ranges[form.dataset.token];
      const parsed = parseNumber(input.value);
      if (parsed.refusal) return refuse(parsed.refusal);
      const value = parsed.value;
      if (range && (value < range.low || value > range.high))
        return refuse('from ' + range.low + ' to ' + range.high + ' ' + range.unit);
      const refusal = await act('/api/set', { token: form.dataset.token, value });
      refuse(refusal);
      if (!refusal) form.querySelector('.note').textContent = usedAs(form.dataset.token, value, range ? range.unit : '');
    });
  }
  $('zoom').addEventListener('change', () => {
    bench.zoom = $('zoom').value;
    if (!bench.panel) return;
    fit();
    draw();
  });
  $('master-on').addEventListener('click', () => act('/api/set', { token: 'ap_master', value: 1 }));
  $('master-off').addEventListener('click', () => act('/api/set', { token: 'ap_master', value: 0 }));
  $('pause').addEventListener('click', () => act('/api/pause', { paused: !(bench.state && bench.state.paused) }));
  $('step').addEventListener('click', () => act('/api/step', { cycles: 1 }));
  for (const b of document.querySelectorAll('#speeds button'))
    b.addEventListener('click', () => act('/api/speed', { speed: Number(b.dataset.speed) }));
  // From the server the link downloads the session itself; in the page file
  // the script is made here and handed over as a file.
  $('download').addEventListener('click', async event => {
    if (transport.kind === 'http') return;
    event.preventDefault();
    let text;
    try {
      text = await call('/api/session.pbs');
    } catch (e) {
      return;  // the refusal is shown
    }
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([text], { type: 'text/plain' }));
    link.download = 'session.pbs';
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  });
  // The new session's states are drawn from when it has started.
  $('reset').addEventListener('click', async () => {
    unlockSound();
    try {
      await call('/api/reset', {});
    } catch (e) {
      return;  // the refusal is shown
    }
    showStatus('');
    startOver();
    await poll();
  });
  // Laid out again whenever the room for the panel changes width: with the
  // window, and when a scroll bar comes or goes (which fires no resize).
  let room = 0;
  new ResizeObserver(() => {
    const now = $('panel-area').clientWidth;
    if (now === room || !bench.panel) return;
    room = now;
    fit();
    draw();
  }).observe($('panel-area'));
  $('details').addEventListener('change', () => {
    showTimeline();
    showRun();
  });
  $('run-choice').hidden = !transport.runScenario;
  $('run-open').addEventListener('click', () => $('run-file').click());
  $('run-file').addEventListener('change', async () => {
    const file = $('run-file').files[0];
    $('run-file').value = '';
    if (file) await runScenarioFile(file);
  });
  wireLayout();
}

const MAX_SCENARIO = 1024 * 1024;  // the largest scenario file taken, in bytes

// A scenario file opened in the page: run, where the page can run one (the
// page file), as `panelbench run FILE --no-snapshots` runs it, and shown
// with the same verdict: its last line, and what failed (file:line and
// what differed) above its timeline.
async function runScenarioFile(file) {
  const verdict = $('run-verdict');
  $('run-area').hidden = false;
  $('run-failure').textContent = '';
  $('run-timeline').textContent = '';
  verdict.className = '';
  if (file.size > MAX_SCENARIO) {
    verdict.textContent = file.name + ' is ' + file.size + ' bytes; a scenario of at most ' + MAX_SCENARIO + ' is taken';
    return;
  }
  verdict.textContent = 'running ' + file.name + '…';
  let result;
  try {
    result = await transport.runScenario(file.name, await file.text());
  } catch (e) {
    verdict.textContent = file.name + ' could not be run: ' + e.message;
    return;
  }
  const lines = result.out.split('\n').filter(line => line !== '');
  const last = lines.length && /^(passed|FAILED): /.test(lines[lines.length - 1]) ? lines.pop() : '';
  verdict.textContent = last || 'FAILED: ' + file.name;
  verdict.className = result.status === 0 ? 'passed' : 'failed';
  $('run-failure').textContent = result.err.trim();
  bench.run = { status: result.status, verdict: verdict.textContent, failure: result.err.trim(), lines };
  showRun();
}

// The run's timeline, in plain words or (under "details") as run prints it.
function showRun() {
  if (!bench.run) return;
  const saved = Object.assign({}, plain);
  plain.mode = '';
  plain.baro = true;
  const lines = $('details').checked ? bench.run.lines
    : bench.run.lines.map(line => (/^\s*[\d.]+s\s/.test(line) ? plainLine(line) : line)).filter(line => line !== null);
  Object.assign(plain, saved);
  $('run-timeline').textContent = lines.join('\n');
}

// A new session has started: its timeline starts empty, and what came
// before it is not drawn.
function startOver() {
  bench.epoch++;
  bench.shownMark = null;
  bench.timeline = [];
  bench.plainTimeline = [];
  plain.mode = '';
  plain.baro = true;
  bench.next = 0;
  bench.chimesHeard = null;
  $('timeline').textContent = '';
}

// Started once every script of the page has run (layout.js among them).
document.addEventListener('DOMContentLoaded', async () => {
  try {
    transport = typeof createPanelBench === 'function' ? await webTransport() : httpTransport();
    showHelp();
    wire();
    await load();
    await pollForever();
  } catch (e) {
    showStatus('the page could not start: ' + e.message);
  }
});
