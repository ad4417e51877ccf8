// The web pages for demo.sh web. Serves build-web/web/ on 127.0.0.1 and
// prints the address of each page; then either keeps serving (a display is
// there to open them in a browser) or, headless, opens each page in
// headless Chromium, answers the start question with No, lets it run, and
// saves a screenshot of the page, then ends the run with Escape.
//
//   node web_demo.js serve WEB_DIR PORT PAGE...
//   node web_demo.js shots WEB_DIR OUT_DIR SECONDS PAGE...
// (PAGE: a folder of WEB_DIR, such as orlath or gallery)
'use strict';
const fs = require('fs');
const path = require('path');
const {serve} = require('../tests/web/serve.js');
const {launch, openAtQuestion} = require('../tests/web/browser.js');

const [mode, webDir, third, fourth, ...pages] = process.argv.slice(2);
for (const name of pages) {
  if (!fs.existsSync(path.join(webDir, name, 'index.html')))
    throw new Error(`no page ${name} in ${webDir}`);
}
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function shots(base, outDir, seconds) {
  fs.mkdirSync(outDir, {recursive: true});
  const browser = await launch();
  try {
    for (const name of pages) {
      const page = await openAtQuestion(browser, `${base}${name}/`);
      await page.click('#no');
      await pause(seconds * 1000);
      const file = path.join(outDir, `${name}.png`);
      await page.screenshot({path: file, clip: {x: 0, y: 0, width: 800, height: 560}});
      await page.keyboard.down('Escape');
      await pause(150);
      await page.keyboard.up('Escape');
      await page.waitForFunction(() => /^exit status/.test(document.getElementById('status').textContent),
                                 {timeout: 10000}).catch(() => {});
      const status = await page.$eval('#status', (e) => e.textContent);
      console.log(`${name}: ${file} (after ${seconds} s), then Escape: ${status}`);
      await page.close();
    }
  } finally {
    await browser.close();
  }
}

(async () => {
  const {server, base} = await serve(webDir, mode === 'serve' ? Number(third || 8000) : 0);
  for (const name of pages)
    console.log(`${name}: ${base}${name}/   (add ?report to see Debug.txt after the run)`);
  if (mode === 'serve') {
    console.log('serving on 127.0.0.1 until Ctrl-C');
    return;
  }
  try {
    await shots(base, third, Number(fourth || 5));
  } finally {
    server.close();
  }
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
