// Placing our gauges in a panel configuration of one's own: "Open panel…"
// takes an aircraft's panel.cfg with its folder's pictures (picked, dropped,
// or the whole folder); the chosen window is drawn on its background with
// our gauges running in place and other files' gauges as labelled boxes.
// Dragging one of our gauges moves it, its corner handle resizes it, both
// in whole window units; "Add gauge" and "Remove" change the set. The file
// itself is edited by the session (the same writer `panelbench place`
// uses), so that "Download panel.cfg" gives back every byte not asked to
// change; the page only shows and asks.
'use strict';

const HANDLE = 12;       // the resize handle's side, in CSS pixels
const DRAG_START = 4;    // CSS pixels the pointer moves before a press becomes a drag
const MIN_SIZE = 8;      // the smallest a gauge is made by its handle, in window units
const MAX_FILE = 1024 * 1024;  // the largest panel configuration the session takes, in bytes

Object.assign(panelPage, {
  files: [],          // the files opened beside the configuration: {path, file}, path lowercased with '/'
  folder: '',         // the configuration's folder among them ('' or 'name/')
  background: null,   // the window's picture, decoded, or null
  backgroundNote: '', // why the window is drawn plain, or ''
  selected: null,     // the name of our gauge last pressed on
  drag: null,         // a move or resize under way
  dragged: false,     // a drag just ended: the click that follows it is not a click on the gauge
  pictures: {},       // picture path -> decoded picture, or the reason it cannot be
  downloaded: false,  // the file has been downloaded since its last change

  // Where a placed gauge lies on the canvas, in CSS pixels from its top left.
  boxOf(name) {
    const g = this.panel && this.panel.gauges.find(g => g.name === name);
    if (!g) return undefined;
    return { x: g.x * this.scale, y: g.y * this.scale, width: g.width * this.scale, height: g.height * this.scale };
  },
});

function editing() { return !!(panelPage.panel && panelPage.panel.document); }

// The base64 of some bytes, as a document carries a file.
function base64(bytes) {
  let text = '';
  for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  return btoa(text);
}

function folderOf(path) { return path.slice(0, path.lastIndexOf('/') + 1); }

// A path with its "." and ".." parts resolved ("a/panel/../art/x.bmp" is "a/art/x.bmp").
function normalised(path) {
  const parts = [];
  for (const part of path.split('/')) {
    if (part === '..') parts.pop();
    else if (part !== '.' && part !== '') parts.push(part);
  }
  return parts.join('/');
}

// Every file of a drop, folders read through.
async function droppedFiles(items) {
  const out = [];
  async function walk(entry, prefix) {
    if (entry.isFile) {
      out.push({ path: prefix + entry.name, file: await new Promise((ok, fail) => entry.file(ok, fail)) });
    } else if (entry.isDirectory) {
      const reader = entry.createReader();
      for (;;) {
        const batch = await new Promise((ok, fail) => reader.readEntries(ok, fail));
        if (!batch.length) break;
        for (const e of batch) await walk(e, prefix + entry.name + '/');
      }
    }
  }
  const entries = [...items].map(i => i.webkitGetAsEntry && i.webkitGetAsEntry()).filter(Boolean);
  for (const e of entries) await walk(e, '');
  return out;
}

// Opens the panel configuration among `files` ({path, file}): panel.cfg
// nearest the top, else the first .cfg; its pictures are looked for among
// the rest, from its own folder.
async function openFiles(files) {
  const named = files.map(f => ({ path: f.path.replace(/\\/g, '/'), file: f.file }));
  const configs = named.filter(f => /\.cfg$/i.test(f.path));
  const depth = f => f.path.split('/').length;
  configs.sort((a, b) => (/(^|\/)panel\.cfg$/i.test(b.path) - /(^|\/)panel\.cfg$/i.test(a.path)) || depth(a) - depth(b));
  if (!configs.length) {
    showStatus('no panel configuration (a .cfg file) among the ' + files.length + ' files opened');
    return;
  }
  if (editing() && panelPage.panel.document.edited && !panelPage.downloaded &&
      !confirm('The placings in ' + panelPage.panel.document.name + ' have not been downloaded. Open another file?')) return;
  const chosen = configs[0];
  if (chosen.file.size > MAX_FILE) {
    showStatus(chosen.file.name + ' is ' + chosen.file.size + ' bytes; a panel configuration of at most ' + MAX_FILE +
      ' is taken');
    return;
  }
  const bytes = new Uint8Array(await chosen.file.arrayBuffer());
  let answer;
  try {
    answer = JSON.parse(await call('/api/panel/open', { name: chosen.file.name, original: base64(bytes) }));
  } catch (e) {
    return;  // the refusal (naming file:line) is shown; the panel stays as it was
  }
  panelPage.files = named.map(f => ({ path: normalised(f.path.toLowerCase()), file: f.file }));
  panelPage.folder = folderOf(chosen.path.toLowerCase());
  panelPage.pictures = {};
  panelPage.selected = null;
  await relayout(answer);
  showStatus('');
}

// The session laid the panel out anew (a file opened, a gauge added or
// taken out, another window): the page starts over with it.
async function relayout(answer) {
  try {
    await transport.relayout(answer.document);
  } catch (e) {
    showStatus('the panel could not be laid out anew: ' + e.message);
    return;
  }
  startOver();
  await load();
  await poll();
}

// The window's picture: read from the files opened, or sent by the server
// that was started with the file.
async function loadBackground() {
  const doc = panelPage.panel.document, wanted = doc && doc.background;
  panelPage.background = null;
  panelPage.backgroundNote = '';
  if (!wanted) return;
  const where = doc.name + ':' + wanted.line;
  if (wanted.served && !panelPage.pictures['served:' + wanted.name]) {
    try {
      panelPage.pictures['served:' + wanted.name] =
        await createImageBitmap(new Blob([await transport.bytes('/api/panel/background.png')]));
    } catch (e) {
      panelPage.pictures['served:' + wanted.name] = wanted.name + ' (' + where + ') did not load: ' + e.message +
        '; the window is drawn plain';
    }
  }
  const relative = wanted.name.replace(/\\/g, '/').toLowerCase();
  const key = wanted.served ? 'served:' + wanted.name : normalised(panelPage.folder + relative);
  if (!wanted.served && !(key in panelPage.pictures)) {
    const base = relative.slice(relative.lastIndexOf('/') + 1);
    const found = panelPage.files.find(f => f.path === key) || panelPage.files.find(f => f.path.endsWith('/' + base) || f.path === base);
    if (!found) {
      panelPage.pictures[key] = wanted.problem ? wanted.problem
        : wanted.name + ' (' + where + ') is not among the files opened; the window is drawn plain';
    } else {
      panelPage.pictures[key] = await createImageBitmap(found.file)
        .catch(() => wanted.name + ' (' + where + ') cannot be read as a picture; the window is drawn plain');
    }
  }
  const picture = panelPage.pictures[key];
  if (typeof picture === 'string') panelPage.backgroundNote = picture;
  else panelPage.background = picture;
}

// Called by load(): the window's picture, and the tools for the document.
async function layoutLoaded() {
  const doc = panelPage.panel.document;
  if (!doc) panelPage.files = [];
  await loadBackground();
  $('background-note').textContent = panelPage.backgroundNote;
  $('editing').hidden = !doc;
  $('changes-area').hidden = !doc;
  const windowChoice = $('window');
  windowChoice.innerHTML = '';
  if (doc) {
    for (const w of doc.windows) {
      const option = document.createElement('option');
      option.value = w.number;
      // A virtual cockpit's section is named with the model's texture it draws.
      const texture = w.virtual_cockpit ? ' (virtual cockpit' + (w.texture ? ', texture ' + w.texture : '') + ')' : '';
      option.textContent = w.section + (w.title ? ' ' + w.title : '') + texture;
      option.selected = w.number === doc.window;
      windowChoice.appendChild(option);
    }
    $('download-cfg').download = doc.download;
  }
  $('window-choice').hidden = !doc;
  const which = $('add-which');
  if (!which.options.length)
    for (const name of panelPage.panel.our_gauges) {
      const option = document.createElement('option');
      option.value = option.textContent = name;
      which.appendChild(option);
    }
  if (panelPage.selected && !panelPage.panel.gauges.some(g => g.name === panelPage.selected)) panelPage.selected = null;
  showChanges();
  updateTools();
}

// The changed gauge lines, as they now read.
function showChanges() {
  const doc = panelPage.panel.document;
  if (!doc) return;
  const lines = doc.changes.map(c => c.kind === 'removed'
    ? '[' + c.section + '] ' + c.key + ' taken out (was line ' + c.line + ': ' + c.was + ')'
    : '[' + c.section + '] line ' + c.line + ': ' + c.now + (c.kind === 'added' ? '   (added)' : ''));
  $('changes').textContent = lines.length ? lines.join('\n') : 'no gauge line changed yet';
}

function updateTools() {
  const remove = $('remove');
  remove.disabled = !panelPage.selected;
  remove.textContent = panelPage.selected ? 'Remove ' + panelPage.selected : 'Remove';
}

// Drawn beneath the gauges: the window's picture, stretched to its size.
function layoutBeneath() {
  if (!panelPage.background) return;
  context.drawImage(panelPage.background, 0, 0, panelPage.panel.width, panelPage.panel.height);
}

// Drawn over the gauges: the selected gauge's outline and every gauge's resize handle.
function layoutAbove(ratio) {
  if (!editing()) return;
  const side = HANDLE / panelPage.scale;
  for (const g of panelPage.panel.gauges) {
    const chosen = g.name === panelPage.selected;
    if (chosen) {
      context.strokeStyle = '#7ab8ff';
      context.lineWidth = 2 / ratio;
      context.setLineDash([6 / ratio, 4 / ratio]);
      context.strokeRect(g.x, g.y, g.width, g.height);
      context.setLineDash([]);
    }
    context.fillStyle = chosen ? '#7ab8ff' : 'rgba(122, 184, 255, 0.55)';
    context.fillRect(g.x + g.width - side, g.y + g.height - side, side, side);
  }
}

// The canvas point of a pointer event, in window units.
function windowPoint(event) {
  const rect = canvas.getBoundingClientRect();
  return { x: (event.clientX - rect.left) / panelPage.scale, y: (event.clientY - rect.top) / panelPage.scale };
}

// Our gauge under the pointer, and whether the pointer is on its handle; the
// one drawn last (on top) first.
function gaugeAt(event) {
  const p = windowPoint(event), side = HANDLE / panelPage.scale;
  for (const g of [...panelPage.panel.gauges].reverse()) {
    if (p.x < g.x || p.y < g.y || p.x >= g.x + g.width || p.y >= g.y + g.height) continue;
    return { gauge: g, handle: p.x >= g.x + g.width - side && p.y >= g.y + g.height - side };
  }
  return null;
}

// Over a gauge of ours: its handle resizes, the rest of it (but its controls) moves.
function layoutCursor(event) {
  if (panelPage.drag) return panelPage.drag.mode === 'resize' ? 'nwse-resize' : panelPage.drag.mode === 'move' ? 'move' : '';
  if (!editing()) return '';
  const at = gaugeAt(event);
  if (!at) return '';
  if (at.handle) return 'nwse-resize';
  const face = facePoint(event);
  return face && face.control ? '' : 'move';
}

// A press on one of our gauges selects it and may become a drag; on its
// handle it is a resize at once. Returns true when the press is the layout's.
function layoutPointerDown(event) {
  if (!editing()) return false;
  const at = gaugeAt(event);
  if (!at) return false;
  const g = at.gauge;
  if (panelPage.selected !== g.name) {
    panelPage.selected = g.name;
    updateTools();
    draw();
  }
  panelPage.drag = { gauge: g, mode: at.handle ? 'resize' : 'pending', start: windowPoint(event),
    startX: event.clientX, startY: event.clientY, was: { x: g.x, y: g.y, width: g.width, height: g.height } };
  if (at.handle) event.preventDefault();
  return at.handle;
}

function clamp(value, low, high) { return Math.min(high, Math.max(low, Math.round(value))); }

// The largest position or size a gauge line takes, in window units, as the session gives it.
function maxUnits() { return panelPage.panel.max_units; }

window.addEventListener('mousemove', event => {
  const drag = panelPage.drag;
  if (!drag) return;
  if (drag.mode === 'pending') {
    if (Math.hypot(event.clientX - drag.startX, event.clientY - drag.startY) < DRAG_START) return;
    drag.mode = 'move';
    panelPage.pressed = null;  // no control is pressed by a drag
  }
  const p = windowPoint(event), g = drag.gauge;
  const dx = p.x - drag.start.x, dy = p.y - drag.start.y;
  if (drag.mode === 'move') {
    g.x = clamp(drag.was.x + dx, 0, maxUnits());
    g.y = clamp(drag.was.y + dy, 0, maxUnits());
  } else {
    g.width = clamp(drag.was.width + dx, MIN_SIZE, maxUnits());
    // A line that gives no height takes the height of its face's aspect,
    // which the session works out when the resize is sent; until then the
    // gauge is drawn in proportion, with no request for each move.
    g.height = g.height_given ? clamp(drag.was.height + dy, MIN_SIZE, maxUnits()) : g.width * g.face.height / g.face.width;
  }
  canvas.style.cursor = layoutCursor(event);
  $('pointer').textContent = g.name + ' at ' + g.x + ', ' + g.y + ', ' + g.width + (g.height_given ? ', ' + g.height : '') +
    ' (window units)';
  draw();
});

window.addEventListener('mouseup', async () => {
  const drag = panelPage.drag;
  panelPage.drag = null;
  if (!drag || drag.mode === 'pending') return;
  panelPage.dragged = true;
  setTimeout(() => { panelPage.dragged = false; }, 0);  // past the click this release makes, if any
  await moved(drag.gauge, drag.was);
});

// The gauge's new place written into the file; refused, it goes back to `was`.
async function moved(g, was) {
  if (g.x === was.x && g.y === was.y && g.width === was.width && (!g.height_given || g.height === was.height)) {
    Object.assign(g, was);  // a resize dragged back: the height drawn in proportion is the line's again
    draw();
    return;
  }
  try {
    panelPage.panel = JSON.parse(await call('/api/panel/move',
      { line: g.line, x: g.x, y: g.y, width: g.width, height: g.height_given ? g.height : 0 }));
    panelPage.downloaded = false;
    showStatus('');
  } catch (e) {
    Object.assign(g, was);  // the refusal is shown
  }
  showChanges();
  draw();
}

// The arrow keys nudge the selected gauge by a window unit (ten with Shift).
window.addEventListener('keydown', event => {
  const steps = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] }[event.key];
  if (!steps || !editing() || !panelPage.selected || panelPage.drag || event.altKey || event.ctrlKey || event.metaKey) return;
  if (event.target.closest && event.target.closest('input, select, textarea')) return;
  const g = panelPage.panel.gauges.find(g => g.name === panelPage.selected);
  if (!g) return;
  event.preventDefault();
  const was = { x: g.x, y: g.y, width: g.width, height: g.height }, by = event.shiftKey ? 10 : 1;
  g.x = clamp(g.x + steps[0] * by, 0, maxUnits());
  g.y = clamp(g.y + steps[1] * by, 0, maxUnits());
  draw();
  moved(g, was);
});

// Leaving the page with placings not downloaded asks first.
window.addEventListener('beforeunload', event => {
  if (!editing() || !panelPage.panel.document.edited || panelPage.downloaded) return;
  event.preventDefault();
  event.returnValue = '';
});

function layoutTookClick() { return panelPage.dragged; }

// The download: from the server a link to the file; in the page file the
// bytes are made here and handed over as a file.
async function downloadConfig(event) {
  if (!editing()) {
    event.preventDefault();
    showStatus('no panel configuration is open: open one first');
    return;
  }
  panelPage.downloaded = true;
  if (transport.kind === 'http') return;
  event.preventDefault();
  let bytes;
  try {
    bytes = await transport.bytes('/api/panel.cfg');
  } catch (e) {
    panelPage.downloaded = false;
    showStatus(e.message);
    return;
  }
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  link.download = panelPage.panel.document.download;
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

// A change that lays the panel out anew; a refusal stays shown.
async function change(path, body) {
  let answer;
  try {
    answer = JSON.parse(await call(path, body));
  } catch (e) {
    return;
  }
  panelPage.downloaded = false;
  await relayout(answer);
  showStatus('');
}

function wireLayout() {
  for (const [button, input] of [['open', 'open-files'], ['open-folder', 'open-dir']]) {
    $(button).addEventListener('click', () => $(input).click());
    $(input).addEventListener('change', async () => {
      const picked = [...$(input).files].map(file => ({ path: file.webkitRelativePath || file.name, file }));
      $(input).value = '';
      if (picked.length) await openFiles(picked);
    });
  }
  const area = $('panel-area');
  area.addEventListener('dragover', event => {
    if (![...event.dataTransfer.types].includes('Files')) return;
    event.preventDefault();
    area.classList.add('dropping');
  });
  area.addEventListener('dragleave', () => area.classList.remove('dropping'));
  area.addEventListener('drop', async event => {
    event.preventDefault();
    area.classList.remove('dropping');
    const files = await droppedFiles(event.dataTransfer.items);
    if (files.length) await openFiles(files);
  });
  const which = $('add-which');
  $('add').addEventListener('click', () => change('/api/panel/add', { gauge: which.value }));
  $('remove').addEventListener('click', () => {
    const g = panelPage.panel.gauges.find(g => g.name === panelPage.selected);
    if (g) change('/api/panel/remove', { line: g.line });
  });
  $('window').addEventListener('change', () => change('/api/panel/window', { window: Number($('window').value) }));
  $('download-cfg').addEventListener('click', downloadConfig);
}
