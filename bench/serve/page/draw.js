// The panel laid out and drawn on the canvas: the gauges in a panel
// configuration's window or in rows of their own, their faces, lamps and
// read-outs, and the control under the pointer.
'use strict';

// The gauges on their own (no panel configuration) are laid out in rows at
// the size their lettering needs: the smallest capitals our faces and
// legends are lettered with, 5 face pixels at 1x (the annunciator's legends,
// the preselector's PULL TENTHS), drawn at least LETTER_PX CSS pixels high.
const LETTER_PX = 7.5;
const SMALLEST_LETTERING = 5;
const GAP = 8;          // CSS pixels round and between gauges laid out in rows
const LABEL_ROOM = 18;  // CSS pixels beneath each for its name

// Lays the panel out for the zoom chosen, and sizes the canvas to it: a
// pixel for each device pixel, so that it stays sharp on any screen.
function fit() {
  const room = $('panel-area').clientWidth || 800;
  const size = panelPage.panel.labels ? inRows(room) : inPlace(room);
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
  const panel = panelPage.panel;
  const s = panelPage.zoom === 'fit' ? Math.min(3, Math.max(0.25, room / panel.width)) : Number(panelPage.zoom);
  panelPage.scale = s;
  panelPage.views = panel.gauges.map(g => ({ x: g.x * s, y: g.y * s, sx: g.width / g.face.width * s, sy: g.height / g.face.height * s }));
  return { width: panel.width * s, height: panel.height * s };
}

// Our gauges on their own: in rows, each at the size its lettering needs
// (larger in a wide browser window, up to twice), wrapping onto the next row rather
// than shrinking; a gauge wider than the browser's window has a row of its own, and
// the panel scrolls sideways. 1x and 2x draw the faces at that size.
function inRows(room) {
  const gauges = panelPage.panel.gauges, legible = LETTER_PX / SMALLEST_LETTERING;
  let s = Number(panelPage.zoom);
  if (panelPage.zoom === 'fit') {
    const oneRow = gauges.reduce((sum, g) => sum + g.face.width * legible + GAP, GAP);
    s = legible * Math.min(2, Math.max(1, room / oneRow));
  }
  panelPage.scale = s;
  let x = GAP, y = GAP, tallest = 0, widest = 0;
  panelPage.views = gauges.map(g => {
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
  const panel = panelPage.panel, state = panelPage.state;
  if (!panel) return;
  if (panelPage.views.length !== panel.gauges.length) fit();
  const ratio = window.devicePixelRatio || 1, unit = ratio * panelPage.scale;  // device pixels per CSS pixel, per window unit
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
    const v = panelPage.views[i], sx = ratio * v.sx, sy = ratio * v.sy;  // device pixels per face pixel
    if (!panelPage.images[g.face.bitmap] || g.lamps.some(l => !panelPage.images[l.bitmap])) return;
    context.setTransform(sx, 0, 0, sy, ratio * v.x, ratio * v.y);
    // Bitmaps scaled smoothly; whole multiples stay crisp.
    context.imageSmoothingEnabled = sx !== Math.round(sx) || sy !== Math.round(sy);
    context.drawImage(panelPage.images[g.face.bitmap], 0, 0);
    const shown = state && state.gauges[i];
    if (shown) {
      g.lamps.forEach((l, j) => { if (shown.lamps[j] === '1') context.drawImage(panelPage.images[l.bitmap], l.x, l.y); });
      g.texts.forEach((t, j) => drawText(t, shown.texts[j], sy));
    }
    // The control under the pointer outlined; the one held down shown pressed.
    for (const [mark, pressed] of [[panelPage.hover, false], [panelPage.pressed, true]]) {
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
