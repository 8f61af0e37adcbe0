// Built sites in a real browser: each display method once, bare images and image display pages
// each with and without the thumbnail folder and the button index (so every branch of the page
// makers runs without building every product of the choices), and a site whose templates declare
// no character set. Each is built with the real parvel-cli (PARVEL_CLI, default
// build/bin/parvel-cli), walked in Chromium from its first page and run through linkchecker; half
// are served over http from 127.0.0.1, the others opened as file URLs. A web-ready site (display
// copies, 2x thumbnails, lazy loading) is walked on a screen of density 2.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';

import { SiteWalker } from './lib/pagecheck.js';
import { buildSite, launchBrowser, runLinkchecker, serveFolder } from './lib/sites.js';

const REPO = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
const CLI = process.env.PARVEL_CLI || path.join(REPO, 'build', 'bin', 'parvel-cli');

// The maximum image size only matters for image display pages; on for one of them. The site
// without a character set is served by a server that names none: the browser reads its pages as
// windows-1252, and names beyond ASCII must work all the same.
const CASES = [
  { method: 0, displayAsImage: true, thumbsDirectory: true, buttonIndex: false, http: true },
  { method: 1, displayAsImage: true, thumbsDirectory: false, buttonIndex: true, http: false },
  { method: 2, displayAsImage: false, thumbsDirectory: true, buttonIndex: true, http: true },
  { method: 3, displayAsImage: false, thumbsDirectory: false, buttonIndex: false, http: false },
  { method: 0, displayAsImage: false, thumbsDirectory: true, buttonIndex: false, http: true },
];
CASES[2].maxSize = { width: 400, height: 300 };
CASES[4].noCharset = true;

// The walker itself: each kind of fault a build could make, put into the first page of the first
// site once that has passed, is caught and named.
const FAULTS = [
  ['<img src="gone.jpg">', /page Index\.html: <img src="gone\.jpg"> did not load/],
  ['<a href="Index9.html">9</a>', /\(href="Index9\.html"\) leads to a missing file/],
  ['<q>x</q>', /page Index\.html: unexpected element <q>/],
  ['<script>notThere();</script>', /page Index\.html: script error: notThere is not defined/],
];

let root;
let server;
let browser;

before(async () => {
  assert.ok(fs.existsSync(CLI), `${CLI} is missing: build the programs first (./run build)`);
  root = fs.mkdtempSync(path.join(os.tmpdir(), 'parvel-browser-'));
  fs.chmodSync(root, 0o755); // linkchecker run as root reads the files as "nobody"
  server = await serveFolder(root);
  browser = await launchBrowser();
});

after(async () => {
  await browser?.close();
  await server?.close();
  if (root) fs.rmSync(root, { recursive: true, force: true });
});

for (const [n, c] of CASES.entries()) {
  test(JSON.stringify(c), async () => {
    const { site, images } = buildSite(CLI, REPO, path.join(root, `case-${n}`), c);
    const base = c.http ? `${server.url}/case-${n}/site/` : pathToFileURL(site).href;
    const pages = fs.readdirSync(site).filter((name) => name.endsWith('.html'));
    const starts = pages.map((name) => new URL(encodeURIComponent(name), base).href);
    // linkchecker runs beside the browser walk, but not for pages without a charset: it takes
    // their encoding to be ASCII and asks for "caf%EF%BF%BD..." instead of the café.jpg the
    // page's "caf%C3%A9.jpg" names (the browser walk asks for every link's target itself).
    const linkcheck = c.noCharset
      ? Promise.resolve({ ok: true })
      : runLinkchecker(starts, c.http ? '127.0.0.1' : null);
    const walker = new SiteWalker(browser.context, c, base, site, images);
    try {
      await walker.walk('Index.html');
    } finally {
      await linkcheck.catch(() => {});
    }
    assert.equal(walker.pageCount.thumb, 3, 'the 23 images should make three thumbnail pages');
    assert.equal(walker.pageCount.image, c.displayAsImage ? 0 : images.length);
    const links = await linkcheck;
    assert.ok(links.ok, `linkchecker found broken links (exit ${links.code}):\n${links.output}`);
    if (n > 0) return;
    const walk = (names) => new SiteWalker(browser.context, c, base, site, names).walk('Index.html');
    await assert.rejects(walk([...images, 'extra.jpg']), /no page leads to the image extra\.jpg/);
    const page = fs.readFileSync(site + 'Index.html', 'latin1');
    for (const [html, fault] of FAULTS) {
      fs.writeFileSync(site + 'Index.html', page.replace(/<\/body>/i, html + '</body>'), 'latin1');
      await assert.rejects(walk(images), fault);
    }
  });
}

// Every image of a page, each scrolled into view so that a lazy one loads, as { src, current,
// loaded }.
async function shownImages(tab) {
  return tab.evaluate(async () => {
    const shown = [];
    for (const img of [...document.images]) {
      img.scrollIntoView();
      await img.decode().catch(() => {});
      shown.push({ src: img.getAttribute('src'), current: img.currentSrc, loaded: img.naturalWidth > 0,
        lazy: img.loading === 'lazy' && img.hasAttribute('width') && img.hasAttribute('height') });
    }
    return shown;
  });
}

test('web-ready site on a screen of density 2', async () => {
  const c = { method: 0, displayAsImage: false, thumbsDirectory: true, buttonIndex: false,
    webReady: true };
  const { site, images } = buildSite(CLI, REPO, path.join(root, 'web-ready'), c);
  const base = `${server.url}/web-ready/site/`;
  const pages = fs.readdirSync(site).filter((name) => name.endsWith('.html'));
  const linkcheck = runLinkchecker(pages.map((name) => new URL(encodeURIComponent(name), base).href),
    '127.0.0.1');
  const dense = await launchBrowser(2);
  try {
    const tab = await dense.context.newPage();
    let thumbnails = 0;
    for (const name of pages) {
      await tab.goto(new URL(encodeURIComponent(name), base).href);
      const shown = await shownImages(tab);
      const thumbPage = /^Index\d*\.html$/.test(name);
      for (const img of shown) {
        assert.ok(img.loaded, `${name}: ${img.src} did not load`);
        assert.ok(img.lazy, `${name}: ${img.src} is not lazy with its size`);
        if (thumbPage) {
          // Every demo photograph is more than twice its thumbnail: each shows its 2x file.
          assert.match(img.current, /_thb@2x\.jpg$/, `${name}: ${img.src}`);
          thumbnails += 1;
        } else {
          // A display page shows its picture's copy, never the original.
          const page = new URL(encodeURIComponent(name), base);
          assert.ok(img.src.startsWith('web/') && img.src.endsWith('.jpg'), `${name}: ${img.src}`);
          assert.equal(img.current, new URL(img.src, page).href, name);
        }
      }
    }
    assert.equal(thumbnails, images.length);
    assert.equal(pages.length, images.length + 3);
    for (const image of images) assert.ok(fs.existsSync(path.join(site, 'web', image)), image);
  } finally {
    await dense.close();
  }
  const links = await linkcheck;
  assert.ok(links.ok, `linkchecker found broken links (exit ${links.code}):\n${links.output}`);
});
