// The page checks themselves: a small hand-made site passes, and each kind of fault a build could
// make is caught and named.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';

import { launchBrowser } from './lib/browser.js';
import { SiteWalker } from './lib/pagecheck.js';

const PHOTO = fileURLToPath(new URL('../../data/demo-photos/clock.jpg', import.meta.url));
const GOOD = '<a href="a%20b.jpg"><img src="a%20b.jpg"></a>';
const CASES = [
  ['good', GOOD, null],
  ['missing-picture', GOOD + '<img src="gone.jpg">', /Index\.html: <img src="gone\.jpg"> did not/],
  ['missing-page', GOOD + '<a href="Index2.html">2</a>', /link 1 \(href="Index2\.html"\) leads/],
  ['name-as-markup', GOOD + '<a href="a%20b.jpg">mix<q>tag.jpg</a>', /unexpected element <q>/],
  ['script-error', GOOD + '<script>notThere();</script>', /script error: notThere is not def/],
  ['unlinked', '<p>-</p>', /no page leads to the image a b\.jpg/],
];

test('a sound page passes and each fault is caught and named', async () => {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'parvel-pagecheck-'));
  const browser = await launchBrowser();
  try {
    for (const [name, body, fault] of CASES) {
      const site = path.join(root, name) + path.sep;
      fs.mkdirSync(site);
      fs.copyFileSync(PHOTO, path.join(site, 'a b.jpg'));
      const head = '<!DOCTYPE html><html><head><meta charset="utf-8"><title>t</title></head>';
      fs.writeFileSync(path.join(site, 'Index.html'), `${head}<body>${body}</body></html>`);
      const c = { method: 0, displayAsImage: true };
      const walk = new SiteWalker(browser.context, c, pathToFileURL(site).href, site, ['a b.jpg']);
      if (fault) await assert.rejects(walk.walk('Index.html'), fault, name);
      else assert.deepEqual(await walk.walk('Index.html'), { pages: 1 });
    }
  } finally {
    await browser.close();
    fs.rmSync(root, { recursive: true, force: true });
  }
});
