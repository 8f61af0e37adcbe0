// The static server the browser suite serves sites from: decoded paths, nothing outside its
// folder, and the status codes the link checks rely on; and linkchecker, run as the suite runs
// it, finding a broken link over http and in file URLs.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';

import { runLinkchecker } from './lib/linkcheck.js';
import { resolveRequestPath, serveFolder } from './lib/server.js';

let root;
let server;

before(async () => {
  root = fs.mkdtempSync(path.join(os.tmpdir(), 'parvel-server-'));
  fs.mkdirSync(path.join(root, 'site'));
  fs.writeFileSync(path.join(root, 'site', 'café #1 & 100%.html'), '<p>page</p>');
  fs.writeFileSync(path.join(root, 'secret.txt'), 'outside the served folder');
  const page = '<meta charset="utf-8"><a href="caf%C3%A9%20%231%20&amp;%20100%25.html">p</a>';
  const outside = '<a href="https://example.com/">out</a>';
  fs.writeFileSync(path.join(root, 'site', 'good.html'), page + outside);
  const broken = '<a href="good.html">g</a><img src="gone%20away.jpg">';
  fs.writeFileSync(path.join(root, 'site', 'bad.html'), broken);
  // linkchecker run as root reads files as "nobody".
  fs.chmodSync(root, 0o755);
  server = await serveFolder(path.join(root, 'site'));
});

after(async () => {
  await server.close();
  fs.rmSync(root, { recursive: true, force: true });
});

test('request paths are decoded and stay inside the folder', () => {
  const site = path.join(root, 'site');
  const cases = [
    ['/caf%C3%A9%20%231%20&%20100%25.html', path.join(site, 'café #1 & 100%.html')],
    ['/a/../b.html', path.join(site, 'b.html')],
    ['/../secret.txt', path.join(site, 'secret.txt')],
    ['/%2E%2E/secret.txt', path.join(site, 'secret.txt')],
    ['/..%2Fsecret.txt', path.join(site, 'secret.txt')],
    ['/%E0%A4%A', null],
    ['/a%00b', null],
  ];
  for (const [request, expected] of cases) {
    assert.equal(resolveRequestPath(site, request), expected, request);
  }
});

test('the server answers 200 for files and 404 or 403 otherwise', async () => {
  const cases = [
    ['/caf%C3%A9%20%231%20&%20100%25.html', 200],
    ['/missing.html', 404],
    ['/../secret.txt', 404],
    ['/%2E%2E%2Fsecret.txt', 404],
    ['/%E0%A4%A', 403],
    ['/', 404],
  ];
  for (const [request, status] of cases) {
    const response = await fetch(server.url + request);
    assert.equal(response.status, status, request);
    if (status === 200) assert.equal(await response.text(), '<p>page</p>');
  }
});

test('linkchecker passes a sound page and names a missing picture', async () => {
  const bases = [
    [`${server.url}/`, '127.0.0.1'],
    [pathToFileURL(path.join(root, 'site')).href + '/', null],
  ];
  for (const [base, host] of bases) {
    const good = await runLinkchecker([`${base}good.html`], host);
    assert.ok(good.ok, good.output);
    const bad = await runLinkchecker([`${base}bad.html`], host);
    assert.ok(!bad.ok, `${base}bad.html passed`);
    assert.match(bad.output, /gone%20away\.jpg/);
    assert.match(bad.output, /1 error found/);
  }
});
