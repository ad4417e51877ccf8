// Runs the layer_checks page (layer_checks.cpp) in headless Chromium: it
// opens no question, runs its cases at once and exits with the number of
// failed ones. node layer_test.js WEB_DIR.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const path = require('path');
const {browse} = require('./browser.js');

const webDir = process.argv[2] || path.join(__dirname, '..', '..', 'build-web', 'web');

test('the web layer\'s GL pieces, by their pixels', async (t) => {
  const {browser, base} = await browse(t, webDir);
  const page = await browser.newPage();
  await page.goto(base + 'layer_checks/');
  await page.waitForFunction(() => /^(exit status|aborted)/.test(document.getElementById('status').textContent),
                             {timeout: 30000});
  const log = await page.$eval('#log', (e) => e.textContent);
  console.log(log);
  assert.match(log, /^ok /m, 'no case ran');
  assert.strictEqual(await page.$eval('#status', (e) => e.textContent), 'exit status 0', log);
});
