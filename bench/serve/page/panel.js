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

const bench = {
  panel: null,      // layout and faces, from /api/panel
  state: null,      // the latest state, from /api/state
  images: {},       // bitmap id -> loaded image
  scale: 1,         // canvas pixels per window unit
  next: 0,          // the next timeline line to ask for
  timeline: [],     // lines shown
  chimesHeard: null,
  ready: false,     // the first state has been drawn
  zoom: 'fit',      // 'fit', or canvas pixels per window unit
  hover: null,      // the control under the pointer: {gauge, control}
  pressed: null,    // the control held down
  requests: 0,      // requests in flight that change the session
  epoch: 0,         // counts the sessions the page has shown: answers of an earlier one are not drawn
  shownMark: null,  // how far the session shown had come: {cycle, actions}
  onDraw: null,     // called after each state is drawn, for the console and the tests

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
    const fx = c.x + c.width / 2, fy = c.y + c.height / 2;
    return { x: (g.x + fx * g.width / g.face.width) * this.scale, y: (g.y + fy * g.height / g.face.height) * this.scale };
  },
};
window.bench = bench;

// HTTP to the server: every request is a fetch.
function httpTransport() {
  return {
    kind: 'http',
    async request(path, body) {
      const options = body === undefined ? {} :
        { method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(body) };
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
  };
}

let transport = null;

const canvas = document.getElementById('panel');
const context = canvas.getContext('2d');
const $ = id => document.getElementById(id);

function showStatus(text) { $('status').textContent = text; }

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
  if (!document.fonts.check('10px DSEG7')) await loadFonts();
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

// Scales the panel to the zoom chosen: to the width at hand (never below a
// quarter size, never above three times), or 1x or 2x. The canvas has a
// pixel for each device pixel, so that it stays sharp on any screen.
function fit() {
  const room = $('panel-area').clientWidth || 800;
  bench.scale = bench.zoom === 'fit' ? Math.min(3, Math.max(0.25, room / bench.panel.width)) : Number(bench.zoom);
  canvas.style.width = Math.round(bench.panel.width * bench.scale) + 'px';
  canvas.style.height = Math.round(bench.panel.height * bench.scale) + 'px';
  const ratio = window.devicePixelRatio || 1;
  canvas.width = Math.round(bench.panel.width * bench.scale * ratio);
  canvas.height = Math.round(bench.panel.height * bench.scale * ratio);
}

function draw() {
  const panel = bench.panel, state = bench.state;
  if (!panel) return;
  const ratio = canvas.width / panel.width;
  context.setTransform(1, 0, 0, 1, 0, 0);
  // Bitmaps scaled smoothly; whole multiples stay crisp.
  context.imageSmoothingEnabled = ratio !== Math.round(ratio);
  context.imageSmoothingQuality = 'high';
  context.fillStyle = '#2a2a2a';
  context.fillRect(0, 0, canvas.width, canvas.height);
  context.setTransform(ratio, 0, 0, ratio, 0, 0);
  layoutBeneath();
  // Gauges of other files: labelled empty boxes.
  for (const b of panel.boxes) {
    const height = b.height || b.width;  // square when the line gives no height
    context.strokeStyle = '#777';
    context.lineWidth = 1 / ratio;
    context.setLineDash([4 / ratio, 3 / ratio]);
    context.strokeRect(b.x, b.y, b.width, height);
    context.setLineDash([]);
    context.fillStyle = '#999';
    context.font = Math.max(6, Math.min(14, height / 4)) + 'px sans-serif';
    context.textAlign = 'center';
    context.textBaseline = 'middle';
    context.fillText(b.label, b.x + b.width / 2, b.y + height / 2, b.width - 4);
  }
  panel.gauges.forEach((g, i) => {
    context.save();
    context.translate(g.x, g.y);
    context.scale(g.width / g.face.width, g.height / g.face.height);
    context.drawImage(bench.images[g.face.bitmap], 0, 0);
    const shown = state && state.gauges[i];
    if (shown) {
      g.lamps.forEach((l, j) => { if (shown.lamps[j] === '1') context.drawImage(bench.images[l.bitmap], l.x, l.y); });
      g.texts.forEach((t, j) => drawText(t, shown.texts[j]));
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
      context.lineWidth = 2 * g.face.width / (g.width * ratio);  // two device pixels
      context.strokeRect(c.x + 0.5, c.y + 0.5, c.width - 1, c.height - 1);
    }
    context.restore();
    if (panel.labels) {
      context.fillStyle = '#c8c8c8';
      context.font = '11px sans-serif';
      context.textAlign = 'center';
      context.textBaseline = 'top';
      context.fillText(g.name, g.x + g.width / 2, g.y + g.height + 4, g.width);
    }
  });
  layoutAbove(ratio);
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

// A read-out: its box in the background colour, the text centred in the text colour.
function drawText(box, text) {
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
  // "40"), so a point is drawn between the digits, wide enough to be seen.
  const point = text.indexOf('.');
  const parts = point < 0 ? [text] : [text.slice(0, point), text.slice(point + 1)];
  const pointWidth = () => (point < 0 ? 0 : Math.max(2, size * 0.2));
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
    const side = Math.max(1.5, size * 0.1);
    const bottom = middle + (size * inkPerPixel()) / 2;
    context.fillRect(x + (pointWidth() - side) / 2, bottom - side, side, side);
    context.fillText(parts[1], x + pointWidth(), middle);
  }
  context.restore();
}

// The gauge and face point under a canvas point (CSS pixels), if any: of
// gauges that overlap, the one drawn last, on top.
function facePoint(event) {
  const rect = canvas.getBoundingClientRect();
  const px = (event.clientX - rect.left) / bench.scale, py = (event.clientY - rect.top) / bench.scale;
  for (const g of [...bench.panel.gauges].reverse()) {
    if (px < g.x || py < g.y || px >= g.x + g.width || py >= g.y + g.height) continue;
    const x = Math.floor((px - g.x) * g.face.width / g.width), y = Math.floor((py - g.y) * g.face.height / g.height);
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

function showState(state) {
  const t = state.tokens;
  $('time').textContent = number(state.time, 2) + ' s' + (state.paused ? ' (paused)' : '') +
    (state.speed > 1 ? ' x' + state.speed : '');
  $('altitude').textContent = number(t.altitude, 0) + ' ft';
  $('vs').textContent = number(t.vertical_speed, 0) + ' ft/min';
  $('alt_ref').textContent = number(t.ap_alt_ref, 0) + ' ft';
  $('vs_ref').textContent = number(t.ap_vs_ref, 0) + ' ft/min';
  $('baro').textContent = number(t.baro, 2) + ' inHg';
  $('master').textContent = t.ap_master === 1 ? 'on' : 'off';
  const modes = [['VS', 'ap_vs'], ['ALT', 'ap_alt'], ['HDG', 'ap_hdg'], ['NAV', 'ap_nav'], ['APR', 'ap_apr'],
    ['REV', 'ap_rev'], ['GS', 'ap_gs'], ['FD', 'ap_fd'], ['GPSS', 'ap_gpss']];
  $('modes').innerHTML = modes.map(([label, token]) =>
    '<span class="mode' + (t[token] === 1 ? ' on' : '') + '">' + label + '</span>').join('');
  $('chimes').textContent = state.chimes + (state.engaged ? ', vertical mode engaged' : '');
  $('pause').textContent = state.paused ? 'Run' : 'Pause';
  $('step').disabled = !state.paused;
  for (const b of document.querySelectorAll('#speeds button'))
    b.classList.toggle('chosen', Number(b.dataset.speed) === state.speed);
  if (bench.chimesHeard !== null && state.chimes > bench.chimesHeard) chime();
  bench.chimesHeard = state.chimes;
}

// New timeline lines; an answer that overlaps what is shown (a click's and a
// poll's crossing) adds only the lines not yet shown.
function addTimeline(timeline) {
  if (timeline.next < bench.next) return;
  if (timeline.from > bench.next) bench.timeline.push('   ... ' + (timeline.from - bench.next) + ' lines not shown');
  const lines = timeline.lines.slice(Math.max(0, bench.next - timeline.from));
  bench.timeline.push(...lines);
  bench.next = timeline.next;
  if (!lines.length) return;
  if (bench.timeline.length > TIMELINE_LINES_KEPT) bench.timeline.splice(0, bench.timeline.length - TIMELINE_LINES_KEPT);
  const view = $('timeline');
  const atEnd = view.scrollTop + view.clientHeight >= view.scrollHeight - 4;
  view.textContent = bench.timeline.join('\n');
  if (atEnd) view.scrollTop = view.scrollHeight;
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
    input.addEventListener('input', () => refuse(''));
    form.addEventListener('submit', async event => {
      event.preventDefault();
      const range = bench.panel && bench.panel.ranges[form.dataset.token];
      const value = input.value.trim() === '' ? NaN : Number(input.value);
      if (!Number.isFinite(value)) return refuse('type a number');
      if (range && (value < range.low || value > range.high))
        return refuse('from ' + range.low + ' to ' + range.high + ' ' + range.unit);
      refuse(await act('/api/set', { token: form.dataset.token, value }));
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
    const text = await call('/api/session.pbs');
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
  window.addEventListener('resize', () => { if (bench.panel) { fit(); draw(); } });
  wireLayout();
}

// A new session has started: its timeline starts empty, and what came
// before it is not drawn.
function startOver() {
  bench.epoch++;
  bench.shownMark = null;
  bench.timeline = [];
  bench.next = 0;
  bench.chimesHeard = null;
  $('timeline').textContent = '';
}

// Started once every script of the page has run (layout.js among them).
document.addEventListener('DOMContentLoaded', async () => {
  try {
    transport = typeof createPanelBench === 'function' ? await webTransport() : httpTransport();
    wire();
    await load();
    await pollForever();
  } catch (e) {
    showStatus('the page could not start: ' + e.message);
  }
});
