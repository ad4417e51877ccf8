// The web page against the native program, in one run on this machine:
//   - frames per second of the shipped scene in headless Chromium (WebGL
//     on SwiftShader, frame-rate limit off; with the limit on too), over
//     the native orlath on llvmpipe in a private Xvfb (bench_scene's
//     orlath figure), in alternating rounds, as a median ratio (goal 0.5);
//   - time from loading the page to its first frame, the wait for an
//     answer to the start question left out;
//   - the page's weight, each file gzipped.
//
//   node bench/web_scene.js [WEB_DIR] [NATIVE_BIN] [ROUNDS]
//   (defaults build-web/web, build/bin, 5; needs bench_scene built and
//   tests/web/node_modules; run it alone, SwiftShader takes every core)
'use strict';
const {execFileSync} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const {serve} = require('../tests/web/serve.js');
const {launch, openAtQuestion} = require('../tests/web/browser.js');

const webDir = process.argv[2] || 'build-web/web';
const nativeBin = process.argv[3] || 'build/bin';
const rounds = Number(process.argv[4] || 5);
const WARM_UP_FRAMES = 200;  // past the fly-in, as bench_scene
const MEASURE_MS = 3000;
const unlimited = ['--disable-frame-rate-limit', '--disable-gpu-vsync'];
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function nativeFps() {
  const output = execFileSync('xvfb-run', ['-a', '-s', '-screen 0 1024x768x24', './bench_scene', '200', '1'],
                              {cwd: nativeBin, encoding: 'utf8'});
  const found = /orlath ([0-9.]+) fps/.exec(output);
  if (!found)
    throw new Error('no frame rate in bench_scene output:\n' + output);
  return Number(found[1]);
}

async function webRound(base, extraArgs) {
  const browser = await launch(extraArgs);
  try {
    const page = await openAtQuestion(browser, base + 'orlath/');
    await page.click('#no');
    await page.waitForFunction((n) => Module.orlathFrames > n, {timeout: 120000, polling: 20}, WARM_UP_FRAMES);
    const start = await page.evaluate(() => [Module.orlathFrames, performance.now()]);
    await pause(MEASURE_MS);
    const end = await page.evaluate(() => [Module.orlathFrames, performance.now()]);
    const firstFrame = await page.evaluate(() => Module.orlathFirstFrameAt - Module.orlathBoxWaited);
    return {fps: (end[0] - start[0]) * 1000 / (end[1] - start[1]), firstFrame};
  } finally {
    await browser.close();
  }
}

(async () => {
  const cpu = (os.cpus()[0] || {model: 'unknown'}).model;
  console.log(`web scene benchmark: orlath page in ${execFileSync('/usr/bin/chromium', ['--version'], {encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore']}).trim()}` +
              ` (headless, SwiftShader) vs native orlath on llvmpipe in Xvfb; ${rounds} rounds`);
  console.log(`CPU: ${cpu}, ${os.cpus().length} cores`);

  let weight = 0, raw = 0;
  const pageDir = path.join(webDir, 'orlath');
  for (const name of fs.readdirSync(pageDir)) {
    const body = fs.readFileSync(path.join(pageDir, name));
    const packed = zlib.gzipSync(body, {level: 9}).length;
    raw += body.length;
    weight += packed;
    console.log(`  ${name}: ${body.length} bytes, ${packed} gzipped`);
  }
  console.log(`page weight: ${raw} bytes, ${weight} gzipped (${(weight / 1024).toFixed(0)} KiB)`);

  const {server, base} = await serve(webDir);
  const ratios = [], limitedRatios = [], firstFrames = [], limitedFirstFrames = [];
  try {
    for (let round = 1; round <= rounds; ++round) {
      // Alternate which goes first, so that drift hits both alike.
      let native, web, limited;
      if (round % 2) {
        native = nativeFps();
        web = await webRound(base, unlimited);
        limited = await webRound(base, []);
      } else {
        limited = await webRound(base, []);
        web = await webRound(base, unlimited);
        native = nativeFps();
      }
      ratios.push(web.fps / native);
      limitedRatios.push(limited.fps / native);
      firstFrames.push(web.firstFrame);
      limitedFirstFrames.push(limited.firstFrame);
      console.log(`round ${round}: native ${native.toFixed(1)} fps, page ${web.fps.toFixed(1)} fps ` +
                  `(ratio ${(web.fps / native).toFixed(3)}), page at the browser's frame limit ` +
                  `${limited.fps.toFixed(1)} fps (ratio ${(limited.fps / native).toFixed(3)}); first frame ` +
                  `${web.firstFrame.toFixed(0)} and ${limited.firstFrame.toFixed(0)} ms after loading`);
    }
  } finally {
    server.close();
  }
  console.log(`median frame-rate ratio (page / native): ${median(ratios).toFixed(3)}  (goal >= 0.5)`);
  console.log(`median at the browser's frame limit: ${median(limitedRatios).toFixed(3)}`);
  console.log(`median time from loading the page to the first frame: ${median(limitedFirstFrames).toFixed(0)} ms ` +
              `(${median(firstFrames).toFixed(0)} ms with the frame limit off)`);
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
