// The timeline: the page's session's lines, kept and shown as they are
// (under "details") or told in a pilot's words; and the same for a scenario
// run in the page.
'use strict';

const TIMELINE_LINES_KEPT = 3000;

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
  view.textContent = ($('details').checked ? panelPage.timeline : panelPage.plainTimeline).join('\n');
  if (atEnd) view.scrollTop = view.scrollHeight;
}

// New timeline lines; an answer that overlaps what is shown (a click's and a
// poll's crossing) adds only the lines not yet shown.
function addTimeline(timeline) {
  if (timeline.next < panelPage.next) return;
  if (timeline.from > panelPage.next) {
    panelPage.timeline.push('   ... ' + (timeline.from - panelPage.next) + ' lines not shown');
    panelPage.plainTimeline.push('   ... ' + (timeline.from - panelPage.next) + ' lines not shown');
  }
  const lines = timeline.lines.slice(Math.max(0, panelPage.next - timeline.from));
  panelPage.timeline.push(...lines);
  for (const line of lines) {
    const words = plainLine(line);
    if (words !== null) panelPage.plainTimeline.push(words);
  }
  panelPage.next = timeline.next;
  if (!lines.length) return;
  for (const kept of [panelPage.timeline, panelPage.plainTimeline])
    if (kept.length > TIMELINE_LINES_KEPT) kept.splice(0, kept.length - TIMELINE_LINES_KEPT);
  showTimeline();
}

// The run's timeline, in plain words or (under "details") as run prints it.
function showRun() {
  if (!panelPage.run) return;
  const saved = Object.assign({}, plain);
  plain.mode = '';
  plain.baro = true;
  const lines = $('details').checked ? panelPage.run.lines
    : panelPage.run.lines.map(line => (/^\s*[\d.]+s\s/.test(line) ? plainLine(line) : line)).filter(line => line !== null);
  Object.assign(plain, saved);
  $('run-timeline').textContent = lines.join('\n');
}
