// The basic flow (basic_flow.txt) in Firefox ESR, driven by puppeteer-core over WebDriver BiDi.
//
// usage: node firefox_flow.js NPM_DIR URL FLOW
// Prints what failed; exits 1 when anything did.
'use strict';
const fs = require('fs');
const path = require('path');
const [npm, url, flow] = process.argv.slice(2);
const puppeteer = require(path.resolve(npm, 'node_modules', 'puppeteer-core'));

function face() {
  return ['f1', 'f0', 'm1', 'm0'].map((n) => {
    const digit = document.querySelector('#xr-page [data-name="' + n + '"]');
    return digit ? digit.textContent : '';
  }).join('');
}

(async () => {
  const failures = [];
  const browser = await puppeteer.launch(
      {browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true});
  try {
    const page = await browser.newPage();
    // What the page says of what this engine lacks.
    page.on('console', (m) => {
      if (m.text().startsWith('xiuran-timer')) console.log('firefox says: ' + m.text());
    });
    await page.setViewport({width: 520, height: 363});
    await page.goto(url);
    for (const line of fs.readFileSync(flow, 'utf8').split('\n')) {
      const [what, arg] = line.split(' ');
      if (what === 'click') {
        await page.waitForSelector(`#xr-page [data-name="${arg}"]`, {visible: true});
        await page.click(`#xr-page [data-name="${arg}"]`);
      } else if (what === 'face') {
        const want = arg.replace(':', '');
        try {
          await page.waitForFunction(new Function('return (' + face + ')() === ' +
                                                  JSON.stringify(want)), {timeout: 10000});
        } catch (e) {
          failures.push(`face ${arg}: got ${await page.evaluate(face)}`);
          break;
        }
      }
    }
  } finally {
    await browser.close();
  }
  failures.forEach((f) => console.log('FAIL firefox: ' + f));
  process.exit(failures.length ? 1 : 0);
})().catch((e) => {
  console.log('FAIL firefox: ' + e);
  process.exit(1);
});
