// The panel bench's page: its state and its start-up. It draws the panel on
// a canvas from the module's own bitmaps (fetched once) and a compact state
// the page's session streams (lamps, read-out texts, token values, the
// timeline); it sends clicks, settings and time controls back. Everything it
// knows is in `window.panelPage`, so that a person (or a test) can look at
// the page's own state from the console.
//
// This file holds the page's state, its requests, the read-outs beside the
// panel and the start-up. index.html names the page's scripts, this one
// first, in the order they load (the page file carries the same, read from
// there); each says at its top what it holds. Every script runs before
// start-up (DOMContentLoaded), so each may call what a later one defines.
'use strict';

const panelPage = {
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
window.panelPage = panelPage;

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
  let refusal = '';
  try {
    await call(path, body);
    showStatus('');
  } catch (e) {
    refusal = e.message;  // also shown by call()
  }
  await poll();
  return refusal;
}

// A click: its answer is the state with the click drawn, shown at once.
async function click(gauge, x, y) {
  unlockSound();
  try {
    const epoch = panelPage.epoch;
    const state = JSON.parse(await call('/api/click', { gauge, x, y, since: panelPage.next }));
    showStatus('');
    show(state, epoch);
  } catch (e) {
    // shown by call()
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
  panelPage.panel = JSON.parse(await call('/api/panel'));
  panelPage.state = null;
  const ids = new Set();
  for (const g of panelPage.panel.gauges) {
    ids.add(g.face.bitmap);
    for (const l of g.lamps) ids.add(l.bitmap);
  }
  await Promise.all([...ids].filter(id => !panelPage.images[id]).map(async id => { panelPage.images[id] = await loadImage(id); }));
  // (document.fonts.check() answers true for a face never added, so the page keeps its own mark.)
  if (!panelPage.fontsLoaded) {
    await loadFonts();
    panelPage.fontsLoaded = true;
    inkRatio = null;  // measured again in the face now loaded
  }
  $('source').textContent = panelPage.panel.source + ' [' + panelPage.panel.section + ']';
  for (const form of document.querySelectorAll('form.setting')) {
    const range = panelPage.panel.ranges[form.dataset.token], input = form.querySelector('input');
    if (!range) continue;
    input.min = range.low;
    input.max = range.high;
    input.title = range.low + ' to ' + range.high + ' ' + range.unit;
  }
  await layoutLoaded();
  fit();
  draw();
}

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
  if (panelPage.chimesHeard !== null && state.chimes > panelPage.chimesHeard) chime();
  panelPage.chimesHeard = state.chimes;
}

// A state from the session, drawn. Answers may come back in another order
// than the server made them (a poll made before a click, answered after
// it): a state from before the one shown is passed over, so that a lamp
// never flickers back. The session only goes forward, in panel cycles and
// in actions; a new session (startOver) begins a new epoch, and answers of
// the one before are passed over.
function show(state, epoch) {
  if (epoch !== panelPage.epoch) return;
  const mark = panelPage.shownMark;
  if (mark && (state.cycle < mark.cycle || (state.cycle === mark.cycle && state.actions < mark.actions))) return;
  panelPage.shownMark = { cycle: state.cycle, actions: state.actions };
  panelPage.state = state;
  showState(state);
  addTimeline(state.timeline);
  draw();
  panelPage.ready = true;
  if (panelPage.onDraw) panelPage.onDraw(state);
}

let polling = null;
async function poll() {
  if (polling) return polling;
  polling = (async () => {
    try {
      const epoch = panelPage.epoch;
      show(JSON.parse(await call('/api/state?since=' + panelPage.next)), epoch);
    } catch (e) {
      showStatus('the server does not answer: ' + e.message);
    } finally {
      polling = null;
    }
  })();
  return polling;
}

// The state asked for once a panel cycle, at the rate the session gives.
async function pollForever() {
  await poll();
  setTimeout(pollForever, 1000 / panelPage.panel.cycles_per_second);
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
  panelPage.run = { status: result.status, verdict: verdict.textContent, failure: result.err.trim(), lines };
  showRun();
}

// A new session has started: its timeline starts empty, and what came
// before it is not drawn.
function startOver() {
  panelPage.epoch++;
  panelPage.shownMark = null;
  panelPage.timeline = [];
  panelPage.plainTimeline = [];
  plain.mode = '';
  plain.baro = true;
  panelPage.next = 0;
  panelPage.chimesHeard = null;
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
