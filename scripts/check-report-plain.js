// check-report-plain.js RESULT_FOLDER — run by check-report-browser.sh.
//
// Drives a plain headless Chromium (none of the flags that relax the rules
// for file:// pages) through the DevTools protocol on a pipe, so that what
// it checks is what a reader's browser does: frames that navigate each
// other, the report's address index.html#<function>, and how soon the
// folding call tree shows its first screen (real time: no virtual clock).
// Prints PASS/FAIL lines like the harness.
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const result = path.resolve(process.argv[2]);
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kv-plain-'));
const chrome = spawn('chromium', ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--remote-debugging-pipe',
  '--disable-background-networking', '--user-data-dir=' + profile, 'about:blank'],
  { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
const toChrome = chrome.stdio[3], fromChrome = chrome.stdio[4];
let lastId = 0, buffer = '', session = null;
const pending = {}, contexts = {};
fromChrome.on('data', data => {
  buffer += data.toString();
  for (let end; (end = buffer.indexOf('\0')) >= 0;) {
    const message = JSON.parse(buffer.slice(0, end));
    buffer = buffer.slice(end + 1);
    if (message.id && pending[message.id]) { pending[message.id](message); delete pending[message.id]; }
    if (message.method === 'Runtime.executionContextCreated') {
      const c = message.params.context;
      if (c.auxData && c.auxData.isDefault) contexts[c.auxData.frameId] = c.id;
    }
  }
});
const send = (method, params = {}, sid = session) => new Promise(resolve => {
  const message = { id: ++lastId, method, params };
  if (sid) message.sessionId = sid;
  pending[message.id] = resolve;
  toChrome.write(JSON.stringify(message) + '\0');
});
const sleep = ms => new Promise(r => setTimeout(r, ms));
const lines = [];
const check = (what, ok, seen) => lines.push((ok ? 'PASS ' : 'FAIL ') + what + (ok ? '' : ' -- saw: ' + seen));

// Frame name -> {id, url} of the tab.
async function frames() {
  const tree = (await send('Page.getFrameTree')).result.frameTree, out = {};
  (function walk(node) {
    out[node.frame.name || 'main'] = { id: node.frame.id, url: decodeURIComponent(node.frame.url) };
    (node.childFrames || []).forEach(walk);
  })(tree);
  return out;
}
async function evaluate(frameName, expression) {
  const f = (await frames())[frameName];
  const reply = await send('Runtime.evaluate', { expression, contextId: f && contexts[f.id], returnByValue: true, userGesture: true });
  return reply.result && reply.result.result ? reply.result.result.value : undefined;
}
// Waits (up to 10 s) until `ok(frames)` holds; returns the last frames seen.
async function waitFrames(ok) {
  let f = await frames();
  for (let i = 0; i < 100 && !ok(f); ++i) {
    await sleep(100);
    f = await frames();
  }
  return f;
}
async function open(url) {
  await send('Page.navigate', { url });
  await sleep(500);
  for (let i = 0; i < 100 && (await evaluate('main', 'document.readyState')) !== 'complete'; ++i) await sleep(100);
  await sleep(500);
}
const fileUrl = p => 'file://' + p.split('/').map(encodeURIComponent).join('/');

(async () => {
  const target = await send('Target.createTarget', { url: 'about:blank' }, null);
  session = (await send('Target.attachToTarget', { targetId: target.result.targetId, flatten: true }, null)).result.sessionId;
  await send('Runtime.enable');
  await send('Page.enable');

  // A function that calls another: the first ◆ of main's page, or of the
  // first function listed.
  await open(fileUrl(path.join(result, 'index.html')));
  let fn = await evaluate('list', "(() => { const a = [...document.querySelectorAll('a')].filter(a => a.href.startsWith('javascript:')); " +
                                  "const m = a.find(x => x.textContent === 'main') || a.find(x => /^[A-Za-z_]\\w*$/.test(x.textContent)) || a[0]; " +
                                  "m.click(); return m.textContent; })()");
  const inStep = name => f => f.mid.url.endsWith('/REC/' + name + '.html') && f.view.url.endsWith('/' + name + '.html');
  let f = await waitFrames(inStep(fn));
  check('plain Chromium: a function of the list shows its record and page (' + fn + ')',
        f.mid.url.endsWith('/REC/' + fn + '.html') && f.view.url.endsWith('/' + fn + '.html'), f.mid.url + ' ' + f.view.url);
  const callee = await evaluate('view', "(() => { const a = [...document.querySelectorAll('a')].find(a => a.textContent === '\\u25c6'); " +
                                        "if (!a) return ''; a.click(); return a.getAttribute('href').trim().replace('.html', ''); })()");
  if (callee) {
    f = await waitFrames(f => f.view.url.endsWith('/' + callee + '.html') &&
                              (f.mid.url.endsWith('/REC/' + callee + '.html') || f.mid.url.endsWith('/REC/(none).html')));
    check('plain Chromium: a callee link (◆) shows ' + callee + "'s record and page together",
          (f.mid.url.endsWith('/REC/' + callee + '.html') || f.mid.url.endsWith('/REC/(none).html')) && f.view.url.endsWith('/' + callee + '.html'),
          f.mid.url + ' ' + f.view.url);
  }

  await open(fileUrl(path.join(result, 'index.html')) + '#' + encodeURIComponent(fn));
  f = await waitFrames(inStep(fn));
  check('plain Chromium: the address index.html#' + fn + ' opens its record and page',
        f.mid.url.endsWith('/REC/' + fn + '.html') && f.view.url.endsWith('/' + fn + '.html'), f.mid.url + ' ' + f.view.url);

  // The folding tree on its own page: when its first screen is painted.
  const tree = path.join(result, 'HTML', 'CallTree', 'full_tree.html');
  if (fs.existsSync(tree)) {
    const times = [];
    for (let i = 0; i < 3; ++i) {
      await open(fileUrl(tree) + '?' + i);
      const t = await evaluate('main', "JSON.stringify({paint: (performance.getEntriesByName('first-contentful-paint')[0] || {}).startTime, " +
                                       "ready: performance.getEntriesByType('navigation')[0].domContentLoadedEventEnd, " +
                                       "rows: document.querySelectorAll('#t li').length})");
      times.push(JSON.parse(t));
    }
    const paint = Math.max(...times.map(t => t.paint || Infinity));
    const ready = Math.max(...times.map(t => t.ready));
    check('folding call tree: first screen painted within 1 s (' + times[0].rows + ' roots; first paint ' +
          times.map(t => Math.round(t.paint)).join('/') + ' ms, tree ready ' + times.map(t => Math.round(t.ready)).join('/') + ' ms)',
          paint < 1000 && ready < 1000 && times[0].rows > 0, JSON.stringify(times));
  }
  console.log(lines.join('\n'));
})().catch(e => console.log('FAIL plain Chromium: ' + e)).finally(() => {
  chrome.on('exit', () => {
    try { fs.rmSync(profile, { recursive: true, force: true }); } catch (e) {}
    process.exit(0);
  });
  chrome.kill();
});
