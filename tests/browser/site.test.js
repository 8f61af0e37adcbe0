// Built sites in a real browser: the cases below (display methods 0-3, bare images or image
// display pages, thumbnails folder or not, text or button index), and a site whose templates
// declare no character set, are each built with the real parvel-cli, walked in Chromium from its
// first page, and run through linkchecker. Half of the cases are served over http from 127.0.0.1,
// the other half opened as file URLs; the site without a character set over http.
//
// PARVEL_CLI names the program (default build/bin/parvel-cli), PARVEL_BROWSER_OUT the folder
// for the screenshots (default build/browser-out), PARVEL_KEEP_SITES=1 keeps the built sites,
// PARVEL_BROWSER_ONLY=REGEX runs only the cases whose name matches.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';

import { launchBrowser } from './lib/browser.js';
import { runLinkchecker } from './lib/linkcheck.js';
import { Screenshots, SiteWalker } from './lib/pagecheck.js';
import { serveFolder } from './lib/server.js';
import { CHARSET_NAMES, MARKUP_NAME, buildSite } from './lib/sites.js';

const REPO = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
const CLI = process.env.PARVEL_CLI || path.join(REPO, 'build', 'bin', 'parvel-cli');
const OUT = process.env.PARVEL_BROWSER_OUT || path.join(REPO, 'build', 'browser-out');
const MAX_SIZE = { width: 400, height: 300 };

// Each display method once; bare images and image display pages each take both values of the
// thumbnail folder and of the button index, so every branch of the page makers runs without
// building every product of the choices.
const CASES = [
  // [method, displayAsImage, thumbsDirectory, buttonIndex]
  [0, true, true, false],
  [1, true, false, true],
  [2, false, true, true],
  [3, false, false, false],
];

function matrix() {
  const cases = CASES.map(([method, displayAsImage, thumbsDirectory, buttonIndex], n) => ({
    n,
    method,
    displayAsImage,
    thumbsDirectory,
    buttonIndex,
    // The maximum image size only matters for image display pages; on for one of them.
    maxSize: !displayAsImage && thumbsDirectory ? MAX_SIZE : null,
    transport: n % 2 === 0 ? 'http' : 'file',
  }));
  // Templates without a character-set declaration, served by a server that names none: the
  // browser reads the pages as windows-1252, and names beyond ASCII must work all the same.
  cases.push({
    n: cases.length,
    method: 0,
    displayAsImage: false,
    thumbsDirectory: true,
    buttonIndex: false,
    maxSize: null,
    transport: 'http',
    noCharset: true,
  });
  return cases;
}

function caseName(c) {
  return [
    `method ${c.method}`,
    c.displayAsImage ? 'bare images' : 'image display pages',
    c.maxSize ? `max ${c.maxSize.width}x${c.maxSize.height}` : null,
    c.thumbsDirectory ? 'thumbs folder' : 'thumbs beside',
    c.buttonIndex ? 'button index' : 'text index',
    c.noCharset ? 'templates without charset' : null,
    c.transport,
  ]
    .filter(Boolean)
    .join(', ');
}

function encodePath(relative) {
  return relative.split(path.sep).map(encodeURIComponent).join('/');
}

let root;
let server;
let browser;
let shots;
let failed = false;

before(async () => {
  assert.ok(fs.existsSync(CLI), `${CLI} is missing: build the programs first (./run build)`);
  root = fs.mkdtempSync(path.join(os.tmpdir(), 'parvel-browser-'));
  // linkchecker run as root reads the files as "nobody".
  fs.chmodSync(root, 0o755);
  server = await serveFolder(root);
  browser = await launchBrowser();
  shots = new Screenshots(OUT);
  console.log(`# screenshots in ${OUT}`);
});

after(async () => {
  if (browser) await browser.close();
  if (server) await server.close();
  if (!root) return;
  if (process.env.PARVEL_KEEP_SITES === '1') console.log(`# sites kept in ${root}`);
  else fs.rmSync(root, { recursive: true, force: true });
});

const only = process.env.PARVEL_BROWSER_ONLY ? new RegExp(process.env.PARVEL_BROWSER_ONLY) : null;

for (const c of matrix().filter((m) => !only || only.test(caseName(m)))) {
  test(caseName(c), async (t) => {
    if (failed) {
      t.skip('an earlier case failed');
      return;
    }
    try {
      const dir = path.join(root, `case-${String(c.n).padStart(2, '0')}`);
      const { site, images } = buildSite(CLI, REPO, dir, c);
      const base =
        c.transport === 'http'
          ? `${server.url}/${encodePath(path.relative(root, site))}/`
          : pathToFileURL(site).href.replace(/\/?$/, '/');
      // linkchecker runs beside the browser walk: it is a process of its own.
      const starts = fs
        .readdirSync(site)
        .filter((n) => n.endsWith('.html'))
        .map((n) => new URL(encodeURIComponent(n), base).href);
      // Not for pages without a charset: linkchecker takes such a page's encoding to be ASCII and
      // decodes a link's percent-encoded bytes through it, so it asks for "caf%EF%BF%BD..."
      // instead of the café.jpg that the page's "caf%C3%A9.jpg" names. The browser walk asks the
      // server for every link's target itself.
      const linkcheck = c.noCharset
        ? Promise.resolve({ ok: true, skipped: true })
        : runLinkchecker(starts, c.transport === 'http' ? '127.0.0.1' : null);
      const walker = new SiteWalker(browser.context, c, base, site, images, shots);
      let pages;
      try {
        ({ pages } = await walker.walk('Index.html'));
      } finally {
        await linkcheck.catch(() => {});
      }
      assert.equal(walker.pageCount.thumb, 3, 'the 23 images should make three thumbnail pages');
      assert.equal(walker.pageCount.image, c.displayAsImage ? 0 : images.length);
      assert.ok(images.includes(MARKUP_NAME));
      if (c.noCharset) {
        for (const [, name] of CHARSET_NAMES) assert.ok(images.includes(name), name);
      }
      const links = await linkcheck;
      assert.ok(links.ok, `linkchecker found broken links (exit ${links.code}):\n${links.output}`);
      t.diagnostic(`${pages} pages walked${links.skipped ? '' : ', linkchecker clean'}`);
    } catch (err) {
      failed = true;
      throw err;
    }
  });
}
