// What a person does to the page: the pointer and the wheel on the canvas
// (a click on a gauge's face is a click in its mouse area), and the page's
// own controls (settings, time, zoom, downloads, a new session).
'use strict';

// The gauge and face point under a canvas point (CSS pixels), if any: of
// gauges that overlap, the one drawn last, on top.
function facePoint(event) {
  const rect = canvas.getBoundingClientRect();
  const px = event.clientX - rect.left, py = event.clientY - rect.top;
  for (let i = panelPage.panel.gauges.length - 1; i >= 0; i--) {
    const g = panelPage.panel.gauges[i], v = panelPage.views[i];
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
  if (!panelPage.panel) return;
  const at = facePoint(event);
  const name = at ? at.gauge.name + (at.control ? ' ' + at.control.name : '') : '';
  canvas.title = name;
  canvas.style.cursor = layoutCursor(event) || (at && at.control ? 'pointer' : 'default');
  $('pointer').textContent = name;
  const hover = mark(at);
  if (!same(hover, panelPage.hover)) {
    panelPage.hover = hover;
    draw();
  }
});

canvas.addEventListener('mouseleave', () => {
  panelPage.hover = panelPage.pressed = null;
  draw();
});

canvas.addEventListener('mousedown', event => {
  if (!panelPage.panel || event.button !== 0) return;
  if (layoutPointerDown(event)) return;
  panelPage.pressed = mark(facePoint(event));
  draw();
});

window.addEventListener('mouseup', () => {
  if (!panelPage.pressed) return;
  panelPage.pressed = null;
  draw();
});

canvas.addEventListener('click', event => {
  if (!panelPage.panel || layoutTookClick()) return;
  const at = facePoint(event);
  if (at) click(at.gauge.name, at.x, at.y);
});

// The wheel over a knob turns it: a click on its increase or decrease area.
canvas.addEventListener('wheel', event => {
  if (!panelPage.panel) return;
  const at = facePoint(event);
  if (!at || !at.control || !/^knob-(inc|dec)$/.test(at.control.name) || event.deltaY === 0) return;
  event.preventDefault();
  const c = at.gauge.controls.find(c => c.name === (event.deltaY < 0 ? 'knob-inc' : 'knob-dec'));
  if (c) click(at.gauge.name, c.x + (c.width >> 1), c.y + (c.height >> 1));
}, { passive: false });

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
      const range = panelPage.panel && panelPage.panel.ranges[form.dataset.token];
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
    panelPage.zoom = $('zoom').value;
    if (!panelPage.panel) return;
    fit();
    draw();
  });
  $('master-on').addEventListener('click', () => act('/api/set', { token: 'ap_master', value: 1 }));
  $('master-off').addEventListener('click', () => act('/api/set', { token: 'ap_master', value: 0 }));
  $('pause').addEventListener('click', () => act('/api/pause', { paused: !(panelPage.state && panelPage.state.paused) }));
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
  // browser's window, and when a scroll bar comes or goes (which fires no resize).
  let room = 0;
  new ResizeObserver(() => {
    const now = $('panel-area').clientWidth;
    if (now === room || !panelPage.panel) return;
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
