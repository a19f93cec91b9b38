// The page's two transports, one interface: HTTP to `panelbench serve`, or,
// when the page is the one file try-in-browser.html (which carries the
// WebAssembly build and defines createPanelBench), direct calls into the
// same request handling running in the page, on a session the page's own
// timer steps.
'use strict';

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
  // A new instance of the program, from the WebAssembly compiled once; what
  // it writes to its error output goes to the console.
  function newInstance() {
    return createPanelBench({
      instantiateWasm(imports, done) {
        WebAssembly.instantiate(compiled, imports).then(instance => done(instance, compiled));
        return {};
      },
      print() {},
      printErr(text) { console.warn(text); },
    });
  }

  // A new program instance, with the panel configuration being edited
  // (its document as JSON) or without one. It replaces the running one only
  // once it has started.
  async function start(documentJson) {
    const next = await newInstance();
    if (!withText(next, documentJson || '', at => next._web_start(0, at)))
      throw new Error(next.UTF8ToString(next._web_failure()));
    program = next;
    last = performance.now();
  }
  await start();
  // The page's timer, ticking once a panel cycle at the rate the session
  // gives: the time gone by since the last tick becomes panel cycles.
  const cyclesPerSecond = JSON.parse(decoder.decode(answer('GET', '/api/panel').bytes)).cycles_per_second;
  setInterval(() => {
    const now = performance.now();
    if (program) program._web_advance((now - last) / 1000);
    last = now;
  }, 1000 / cyclesPerSecond);
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
      const runner = await newInstance();
      const status = withText(runner, name, at => withText(runner, text, textAt => runner._web_run(at, textAt)));
      const out = runner.HEAPU8.slice(runner._web_answer(), runner._web_answer() + runner._web_answer_size());
      return { status, out: decoder.decode(out), err: runner.UTF8ToString(runner._web_failure()) };
    },
  };
}
