// The gallery's page in headless Chromium: after No it shows its contents
// page, and Space turns to the next page, announced on the page's output:
// the white fade, which starts nearly opaque. It is drawn with texture
// name 0 bound, which GL 1.1 draws untextured (WebGL would sample black,
// and the additive fade would add nothing). node gallery_test.js WEB_DIR.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const path = require('path');
const {browse, openAtQuestion} = require('./browser.js');
const {differingFraction} = require('./pixels.js');

const webDir = process.argv[2] || path.join(__dirname, '..', '..', 'build-web', 'web');
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

test('the gallery page turns a page on Space', async (t) => {
  const {browser, base} = await browse(t, webDir);
  const page = await openAtQuestion(browser, base + 'gallery/');
  await page.click('#no');
  const log = () => page.$eval('#log', (e) => e.textContent);
  await page.waitForFunction(() => /page 1\/14: Contents/.test(document.getElementById('log').textContent),
                             {timeout: 20000});
  await pause(300);
  const canvas = await page.$('#canvas');
  const before = await canvas.screenshot();

  await page.keyboard.down('Space');
  await pause(150);
  await page.keyboard.up('Space');
  await page.waitForFunction(() => /page 2\/14: /.test(document.getElementById('log').textContent),
                             {timeout: 10000}).catch(() => {});
  assert.match(await log(), /page 2\/14: DrawWhiteFade over the scene\n$/);
  const after = await canvas.screenshot();
  const changed = await differingFraction(page, before, after);
  assert.ok(changed > 0.2, `only ${(changed * 100).toFixed(1)}% changed`);
  const notWhite = await differingFraction(page, after, [255, 255, 255], 96);
  assert.ok(notWhite < 0.5, `${(notWhite * 100).toFixed(1)}% of the white fade is far from white`);
});
