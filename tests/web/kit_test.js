// A demo from orlath-new-demo built for the web against the web build's
// kit, as the template's README says, then opened in headless Chromium:
// ?window and ?fullscreen start it without asking, on a canvas of the
// demo's SIZE, and its tune's clock runs on the counter until a key lets
// the page make sound; No starts it and it draws its emblems where the
// sync track packed into the page puts them, its clock follows the tune as the
// browser plays it, and holding M holds both. node kit_test.js WEB_BUILD
// NEW_DEMO (the web build's folder, the native build's orlath-new-demo).
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const {execFileSync, spawnSync} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const {browse, openAtQuestion} = require('./browser.js');
const {differingFraction} = require('./pixels.js');

const [webBuild, newDemo] = process.argv.slice(2);

test('a new demo builds for the web and draws', async (t) => {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'orlath-web-kit-'));
  const prefix = path.join(root, 'prefix');
  const demo = path.join(root, 'web demo');  // a space in the path, as users' folders have
  const build = path.join(demo, 'build-web');
  const run = (command, args) => execFileSync(command, args, {stdio: ['ignore', 'pipe', 'pipe']});
  run('cmake', ['--install', webBuild, '--prefix', prefix]);
  run(newDemo, ['webdemo', demo]);
  const lists = path.join(demo, 'CMakeLists.txt');
  const sized = fs.readFileSync(lists, 'utf8').replace('TITLE "webdemo"', 'TITLE "webdemo" SIZE 800 600');
  assert.notStrictEqual(sized, fs.readFileSync(lists, 'utf8'), 'the template names no TITLE to size beside');
  fs.writeFileSync(lists, sized);
  // A track far from the shipped one, as an editor saves it (one key: row 0, 2.4, step): the
  // emblems hop up to the canvas's top edge.
  const saved = Buffer.alloc(13);
  saved.writeInt32LE(1, 0);
  saved.writeFloatLE(2.4, 8);
  fs.writeFileSync(path.join(demo, 'sync', 'tracks_hop.track'), saved);
  fs.unlinkSync(path.join(demo, 'sync', 'hop.txt'));
  // A page has no live code: the template's LIVE is ignored, with a word,
  // and the page built whole.
  const configured = spawnSync('emcmake', ['cmake', '-S', demo, '-B', build, '-DCMAKE_FIND_ROOT_PATH=' + prefix,
    '-DLIVE=ON'], {encoding: 'utf8'});
  assert.strictEqual(configured.status, 0, configured.stderr);
  assert.match(configured.stderr, /LIVE ON is ignored: a page has no live code/);
  run('cmake', ['--build', build, '-j2']);
  const files = fs.readdirSync(path.join(build, 'web', 'webdemo')).sort();
  assert.deepStrictEqual(files, ['index.html', 'webdemo.data', 'webdemo.js', 'webdemo.wasm']);

  t.after(() => fs.rmSync(root, {recursive: true, force: true}));
  const {browser, base} = await browse(t, path.join(build, 'web'));
  const wave = (page) => page.evaluate(() => [Module.orlathWave.seconds, Module.orlathWave.onContext,
                                              Module.orlathWave.context.currentTime]);
  const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

  // ?window: frames with no question at all; ?ask brings it back. Its page
  // keeps the browser's rule that no sound starts before a click or a key
  // (headless Chromium does not always hold it).
  const windowed = await browser.newPage();
  await windowed.evaluateOnNewDocument(() => {
    let allowed = false;
    addEventListener('keydown', (e) => (allowed = allowed || e.isTrusted), true);
    const resume = AudioContext.prototype.resume;
    AudioContext.prototype.resume = function() {
      return allowed ? resume.call(this) : Promise.reject(new DOMException('not allowed'));
    };
    window.AudioContext = class extends AudioContext {
      constructor(options) {
        super(options);
        if (!allowed)
          this.suspend();
      }
    };
  });
  await windowed.goto(base + 'webdemo/?window');
  await windowed.waitForFunction(() => Module.orlathFrames > 5, {timeout: 30000});
  assert.strictEqual(await windowed.$('#box #no'), null, 'a question on a page with ?window');
  assert.strictEqual(await windowed.title(), 'webdemo');
  // SIZE 800 600: the canvas's drawing buffer and its place on the page.
  assert.deepStrictEqual(await windowed.$eval('#canvas', (c) => {
    const box = c.getBoundingClientRect();
    return [c.width, c.height, box.width, box.height];
  }), [800, 600, 800, 600]);
  // The tune's clock runs on the counter until a key lets the page sound.
  const [silent, onContext] = await wave(windowed);
  await pause(500);
  const [later] = await wave(windowed);
  assert.ok(!onContext && later - silent > 0.3, `no sound yet: the clock went from ${silent} to ${later}`);
  await windowed.keyboard.press('a');
  await windowed.waitForFunction(() => Module.orlathWave.onContext, {timeout: 5000});
  assert.ok((await wave(windowed))[0] >= later, 'the clock went back when the sound started');
  await windowed.close();
  // ?fullscreen asks for a display mode of the demo's SIZE too.
  const full = await browser.newPage();
  await full.goto(base + 'webdemo/?fullscreen');
  await full.waitForFunction(() => Module.orlathFrames > 5, {timeout: 30000});
  assert.strictEqual(await full.$('#box #no'), null, 'a question on a page with ?fullscreen');
  assert.deepStrictEqual(await full.$eval('#canvas', (c) => [c.width, c.height]), [800, 600]);
  await full.close();
  await (await openAtQuestion(browser, base + 'webdemo/?ask')).close();

  const page = await openAtQuestion(browser, base + 'webdemo/');
  await page.click('#no');
  // Past the template's fade-in from black.
  await page.waitForFunction(() => Module.orlathFrames > 5, {timeout: 20000});
  await new Promise((resolve) => setTimeout(resolve, 1500));
  const drawn = await differingFraction(page, await (await page.$('#canvas')).screenshot(), [0, 0, 0]);
  assert.ok(drawn > 0.3, `only ${(drawn * 100).toFixed(1)}% of the canvas differs from the clear colour`);
  assert.doesNotMatch(await page.$eval('#status', (e) => e.textContent), /^exit status/, 'the page ended early');
  assert.strictEqual(await page.title(), 'webdemo');
  // The packed track holds the emblems at the top edge: the band there turns with them, and the
  // band below it, where the shipped track's emblems turn, holds still.
  const box = await (await page.$('#canvas')).boundingBox();
  const band = (top) => page.screenshot({clip: {x: box.x, y: box.y + top, width: box.width, height: 60}});
  const bands = async () => [await band(0), await band(150)];
  const [top, low] = await bands();
  await pause(300);
  const [topLater, lowLater] = await bands();
  assert.ok(!top.equals(topLater), 'no emblems turning at the top of the canvas');
  assert.ok(low.equals(lowLater), 'the emblems still turn where the shipped track has them');

  // The answer let the page sound: the clock moves with the context's time.
  const [start, playing, contextStart] = await wave(page);
  await pause(1000);
  const [moved, , contextMoved] = await wave(page);
  assert.ok(playing && moved - start > 0.8 && Math.abs(moved - start - (contextMoved - contextStart)) < 0.15,
            `the clock moved ${moved - start} s while the context's moved ${contextMoved - contextStart} s`);
  // Holding M holds the tune and its clock; releasing it goes on from there.
  await page.keyboard.down('m');
  await pause(200);
  const [held] = await wave(page);
  await pause(1000);
  assert.ok((await wave(page))[0] - held < 0.01, 'the clock moved while M was held');
  assert.strictEqual(await page.evaluate(() => Module.orlathWave.sources.length), 0, 'the tune played on under M');
  await page.keyboard.up('m');
  await pause(700);
  const [resumed] = await wave(page);
  assert.ok(resumed - held > 0.3 && resumed - held < 0.8, `released after ${held} s, at ${resumed} s 0.7 s later`);
});
