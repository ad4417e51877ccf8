// A demo from orlath-new-demo built for the web against the web build's
// kit, as the template's README says, then opened in headless Chromium:
// No starts it and it draws, ?window and ?fullscreen start it without
// asking, on a canvas of the demo's SIZE. node kit_test.js WEB_BUILD NEW_DEMO (the web
// build's folder, the native build's orlath-new-demo).
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const {execFileSync} = require('child_process');
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
  run('emcmake', ['cmake', '-S', demo, '-B', build, '-DCMAKE_FIND_ROOT_PATH=' + prefix]);
  run('cmake', ['--build', build, '-j2']);
  const files = fs.readdirSync(path.join(build, 'web', 'webdemo')).sort();
  assert.deepStrictEqual(files, ['index.html', 'webdemo.data', 'webdemo.js', 'webdemo.wasm']);

  t.after(() => fs.rmSync(root, {recursive: true, force: true}));
  const {browser, base} = await browse(t, path.join(build, 'web'));
  const page = await openAtQuestion(browser, base + 'webdemo/');
  await page.click('#no');
  // Past the template's fade-in from black.
  await page.waitForFunction(() => Module.orlathFrames > 5, {timeout: 20000});
  await new Promise((resolve) => setTimeout(resolve, 1500));
  const drawn = await differingFraction(page, await (await page.$('#canvas')).screenshot(), [0, 0, 0]);
  assert.ok(drawn > 0.3, `only ${(drawn * 100).toFixed(1)}% of the canvas differs from the clear colour`);
  assert.doesNotMatch(await page.$eval('#status', (e) => e.textContent), /^exit status/, 'the page ended early');
  assert.strictEqual(await page.title(), 'webdemo');

  // ?window: frames with no question at all; ?ask brings it back.
  const windowed = await browser.newPage();
  await windowed.goto(base + 'webdemo/?window');
  await windowed.waitForFunction(() => Module.orlathFrames > 5, {timeout: 30000});
  assert.strictEqual(await windowed.$('#box #no'), null, 'a question on a page with ?window');
  assert.strictEqual(await windowed.title(), 'webdemo');
  // SIZE 800 600: the canvas's drawing buffer and its place on the page.
  assert.deepStrictEqual(await windowed.$eval('#canvas', (c) => {
    const box = c.getBoundingClientRect();
    return [c.width, c.height, box.width, box.height];
  }), [800, 600, 800, 600]);
  // ?fullscreen asks for a display mode of the demo's SIZE too.
  const full = await browser.newPage();
  await full.goto(base + 'webdemo/?fullscreen');
  await full.waitForFunction(() => Module.orlathFrames > 5, {timeout: 30000});
  assert.strictEqual(await full.$('#box #no'), null, 'a question on a page with ?fullscreen');
  assert.deepStrictEqual(await full.$eval('#canvas', (c) => [c.width, c.height]), [800, 600]);
  await openAtQuestion(browser, base + 'webdemo/?ask');
});
