// Headless Chromium for the page tests and the demo's screenshots: WebGL
// on SwiftShader, no network, a fresh profile each launch.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const {serve} = require('./serve.js');
let puppeteer;
try {
  puppeteer = require('puppeteer-core');
} catch (error) {
  throw new Error('puppeteer-core is missing: run `npm ci` in tests/web (test.sh and demo.sh web do)');
}

// extraArgs: more switches, such as the frame-rate limit's for a benchmark.
async function launch(extraArgs = []) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'orlath-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--headless=new', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox',
           '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run',
           `--user-data-dir=${profile}`, '--window-size=800,700', ...extraArgs],
  });
  browser.on('disconnected', () => {
    try {
      fs.rmSync(profile, {recursive: true, force: true, maxRetries: 5, retryDelay: 200});
    } catch (error) {
      // The browser may still be writing its profile as it goes; a leftover
      // folder in the temporary directory does no harm.
    }
  });
  return browser;
}

// Opens a page and waits for the start question's overlay; a script given
// runs in the page before any of its own.
async function openAtQuestion(browser, url, script) {
  const page = await browser.newPage();
  if (script)
    await page.evaluateOnNewDocument(script);
  await page.setViewport({width: 800, height: 700});
  page.log = [];
  page.on('console', (message) => page.log.push(message.text()));
  page.on('pageerror', (error) => page.log.push('page error: ' + error.message));
  await page.goto(url);
  await page.waitForSelector('#box #no', {visible: true, timeout: 30000});
  return page;
}

// Serves root on 127.0.0.1 and launches a browser, both closed after test t.
async function browse(t, root) {
  const {server, base} = await serve(root);
  const browser = await launch();
  t.after(async () => {
    await browser.close();
    server.close();
  });
  return {browser, base};
}

module.exports = {launch, openAtQuestion, browse};
