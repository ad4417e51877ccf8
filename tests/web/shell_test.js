// The shipped program's page in headless Chromium, one run with the debug
// report on: the start question's exact text, No starting the scene, a
// moving picture, no frames while the page is hidden, F1 into full screen and back (a new GL context each
// time, which must load its textures again), Escape's exit status 27, and
// the report the native build writes; then, on a clock of the test's, Yes
// giving full screen and the frame 1.9 s after start-up matching the
// native build's golden frame. node shell_test.js WEB_DIR (build-web/web).
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const {execFileSync} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const {browse, openAtQuestion} = require('./browser.js');
const {differingFraction, blockAverages} = require('./pixels.js');

const webDir = process.argv[2] || path.join(__dirname, '..', '..', 'build-web', 'web');
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

test('the shipped page', async (t) => {
  const {browser, base} = await browse(t, webDir);
  const page = await openAtQuestion(browser, base + 'orlath/?report');

  await t.test('asks the start question with its exact text', async () => {
    assert.strictEqual(await page.$eval('#box-text', (e) => e.textContent), '\u00bfA pantalla completa? (640x480 32bpp)');
    assert.strictEqual(await page.$eval('#box-caption', (e) => e.textContent), 'Orlath - Brenvik!');
    assert.deepStrictEqual(await page.$$eval('#box-buttons button', (all) => all.map((b) => b.id)), ['yes', 'no']);
    assert.strictEqual(await page.evaluate(() => Module.orlathFrames || 0), 0, 'no frame before the answer');
  });

  await t.test('No starts the scene, which moves', async () => {
    await page.click('#no');
    await page.waitForFunction(() => Module.orlathFrames > 5, {timeout: 20000});
    assert.strictEqual(await page.$eval('#box', (e) => e.style.display), 'none');
    assert.strictEqual(await page.title(), 'Orlath - Brenvik!');
    const canvas = await page.$('#canvas');
    const first = await canvas.screenshot();
    await pause(1000);
    const second = await canvas.screenshot();
    const drawn = await differingFraction(page, first, [0, 0, 0]);
    const moved = await differingFraction(page, first, second);
    assert.ok(drawn > 0.5, `only ${(drawn * 100).toFixed(1)}% of the canvas differs from the clear colour`);
    assert.ok(moved > 0.05, `only ${(moved * 100).toFixed(1)}% changed in a second`);
  });

  await t.test('a hidden page draws nothing, and draws again when shown', async () => {
    const other = await browser.newPage();
    await other.bringToFront();
    await pause(300);
    const hidden = await page.evaluate(() => [document.hidden, Module.orlathFrames]);
    await pause(2000);
    const later = await page.evaluate(() => Module.orlathFrames);
    await page.bringToFront();
    await other.close();
    await page.waitForFunction((n) => Module.orlathFrames > n + 10, {timeout: 10000}, later);
    assert.ok(hidden[0], 'the page did not become hidden');
    assert.strictEqual(later, hidden[1], 'frames were drawn while hidden');
  });

  await t.test('F1 reopens the window full screen and back, drawing each time', async () => {
    const canvas = await page.$('#canvas');
    for (const fullscreen of [true, false]) {
      const frames = await page.evaluate(() => Module.orlathFrames);
      await page.keyboard.down('F1');
      await pause(150);
      await page.keyboard.up('F1');
      await page.waitForFunction((n) => Module.orlathFrames > n + 10, {timeout: 10000}, frames);
      assert.strictEqual(await page.title(), 'Kivo\'s OpenGL Framework');
      assert.strictEqual(await page.evaluate(() => document.fullscreenElement === Module.canvas), fullscreen);
      const drawn = await differingFraction(page, await canvas.screenshot(), [0, 0, 0]);
      assert.ok(drawn > 0.5, `only ${(drawn * 100).toFixed(1)}% drawn (full screen: ${fullscreen})`);
    }
  });

  await t.test('Escape ends the run with exit status 27', async () => {
    await page.keyboard.down('Escape');
    await pause(150);
    await page.keyboard.up('Escape');
    await page.waitForFunction(() => /^exit status/.test(document.getElementById('status').textContent),
                               {timeout: 10000});
    assert.strictEqual(await page.$eval('#status', (e) => e.textContent), 'exit status 27');
  });

  await t.test('the report shown is the native build\'s', async () => {
    const shown = await page.$eval('#report', (e) => e.textContent);
    const file = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'orlath-report-')), 'Debug.txt');
    // The page decodes Windows-1252; the report's bytes are ASCII and Latin-1,
    // which encode back one to one.
    fs.writeFileSync(file, Buffer.from(shown, 'latin1'));
    try {
      execFileSync('python3', [path.join(__dirname, 'check_report.py'), file], {encoding: 'utf8'});
    } catch (error) {
      assert.fail(error.stdout);
    } finally {
      fs.rmSync(path.dirname(file), {recursive: true, force: true});
    }
  });

  await t.test('Yes gives full screen, and the scene turns with the clock', async () => {
    // The page's clock is the test's: it stands still until moved, so the
    // time of the frame drawn is known exactly.
    const pinned = await openAtQuestion(browser, base + 'orlath/', () => {
      const now = performance.now.bind(performance);
      const start = now();
      window.testClock = 0;
      performance.now = () => start + window.testClock;
    });
    await pinned.click('#yes');
    await pinned.waitForFunction(() => document.fullscreenElement === Module.canvas, {timeout: 10000})
      .catch(() => assert.fail('Yes did not give full screen'));
    await pinned.evaluate(() => document.exitFullscreen());
    // Past the fly-in (170 frames), then 1.9 s on: the native golden frame.
    await pinned.waitForFunction(() => Module.orlathFrames > 175, {timeout: 60000});
    const frames = await pinned.evaluate(() => (window.testClock = 1900, Module.orlathFrames));
    await pinned.waitForFunction((n) => Module.orlathFrames > n + 3, {timeout: 10000}, frames);
    const shown = await blockAverages(pinned, await (await pinned.$('#canvas')).screenshot(), 20);
    const golden = fs.readFileSync(path.join(__dirname, '..', 'scene', 'golden', 'shipped_frame.ppm'), 'latin1')
      .replace(/#.*\n/g, '').trim().split(/\s+/).slice(4).map(Number);
    const worst = Math.max(...golden.map((value, i) => Math.abs(value - shown[i])));
    // Half the angle (a clock at half speed) differs by more than 100.
    assert.ok(shown.length === golden.length && worst <= 8, `a block differs by ${worst} from the frame at 1.9 s`);
  });
});
