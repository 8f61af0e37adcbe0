// The page checks themselves: a small hand-made site passes, and each kind of fault a build could
// make is caught and named (a picture that does not load, a link to a missing page, a file name
// that became an element, a script error).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';

import { launchBrowser } from './lib/browser.js';
import { Screenshots, SiteWalker } from './lib/pagecheck.js';

const REPO = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
const PHOTO = path.join(REPO, 'data', 'demo-photos', 'clock.jpg');

let root;
let browser;

before(async () => {
  root = fs.mkdtempSync(path.join(os.tmpdir(), 'parvel-pagecheck-'));
  browser = await launchBrowser();
});

after(async () => {
  if (browser) await browser.close();
  fs.rmSync(root, { recursive: true, force: true });
});

// A one-page site whose Index.html has body; resolves to the walk's result or its error.
async function walkSite(name, body) {
  const site = path.join(root, name) + path.sep;
  fs.mkdirSync(site);
  fs.copyFileSync(PHOTO, path.join(site, 'a b.jpg'));
  const head = '<!DOCTYPE html><html><head><meta charset="utf-8"><title>t</title></head>';
  fs.writeFileSync(path.join(site, 'Index.html'), `${head}<body>${body}</body></html>`);
  const c = { method: 0, displayAsImage: true, maxSize: null, buttonIndex: false };
  const shots = new Screenshots(path.join(root, 'shots'));
  const base = pathToFileURL(site).href;
  return new SiteWalker(browser.context, c, base, site, ['a b.jpg'], shots).walk('Index.html');
}

const GOOD = '<a href="a%20b.jpg"><img src="a%20b.jpg"></a>';

test('a sound page passes', async () => {
  assert.deepEqual(await walkSite('good', GOOD), { pages: 1 });
});

test('each fault is caught and named', async () => {
  const cases = [
    ['missing-picture', '<img src="gone.jpg">', /Index\.html: <img src="gone\.jpg"> did not load/],
    ['missing-page', '<a href="Index2.html">2</a>', /link 1 \(href="Index2\.html"\) leads to/],
    ['name-as-markup', '<a href="a%20b.jpg">mix<q>tag.jpg</a>', /unexpected element <q>/],
    ['script-error', '<script>notThere();</script>', /script error: notThere is not defined/],
  ];
  for (const [name, fault, message] of cases) {
    await assert.rejects(walkSite(name, GOOD + fault), message, name);
  }
  await assert.rejects(walkSite('unlinked', '<p>-</p>'), /no page leads to the image a b\.jpg/);
});
