// Runs the layer_checks page (layer_checks.cpp) in headless Chromium: it
// opens no question, runs its cases at once, shows what the keys typed here
// became and exits with the number of failed ones; then asks the page
// server for malformed addresses. node layer_test.js WEB_DIR.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const http = require('http');
const path = require('path');
const {browse} = require('./browser.js');

const webDir = process.argv[2] || path.join(__dirname, '..', '..', 'build-web', 'web');

test('the web layer\'s GL pieces, by their pixels, and its keys', async (t) => {
  const {browser, base} = await browse(t, webDir);
  const page = await browser.newPage();
  await page.goto(base + 'layer_checks/?report');
  await page.waitForFunction(() => /keys: ready/.test(document.getElementById('log').textContent), {timeout: 60000});
  // All at once, so the layer finds them queued together: each key's
  // character must come right after it. [keyCode, Shift, Control, Caps Lock]
  await page.evaluate(() => {
    for (const [keyCode, shiftKey, ctrlKey, modifierCapsLock] of [[65], [65, 1], [65, 0, 0, 1], [65, 1, 0, 1], [50, 1],
      [57, 1], [103], [107], [9], [8], [13], [27], [67, 0, 1], [113]])
      window.dispatchEvent(new KeyboardEvent('keydown', {keyCode, shiftKey: !!shiftKey, ctrlKey: !!ctrlKey,
                                                         modifierCapsLock: !!modifierCapsLock}));
  });
  await page.waitForFunction(() => /^(exit status|aborted)/.test(document.getElementById('status').textContent),
                             {timeout: 60000});
  const log = await page.$eval('#log', (e) => e.textContent);
  console.log(log);
  assert.match(log, /^ok /m, 'no case ran');
  assert.match(log, /^keys: d65 c97 d65 c65 d65 c65 d65 c97 d50 c64 d57 c40 d103 c55 d107 c43 d9 c9 d8 c8 d13 c13 d27 c27 d67 c3 d113$/m);
  assert.strictEqual(await page.$eval('#status', (e) => e.textContent), 'exit status 0', log);

  // The server answers malformed addresses with 400 and serves on.
  // The path goes out as written: a URL would resolve its '..' first.
  const {hostname, port} = new URL(base);
  const get = (address) => new Promise((resolve, reject) => http.get({hostname, port, path: '/' + address, timeout: 5000},
    (response) => resolve(response.resume().statusCode)).on('timeout', () => reject(new Error(`no answer to ${address}`)))
    .on('error', reject));
  for (const bad of ['%zz', '..%2f..%2fetc%2fpasswd', '%2e%2e/%2e%2e/etc/passwd', 'a%00b'])
    assert.strictEqual(await get(bad), 400, bad);
  assert.strictEqual(await get('layer_checks/'), 200);
});
