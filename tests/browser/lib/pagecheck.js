// Walks a built site in the browser from its first page and checks every page as a visitor
// would meet it: pictures loaded, links leading somewhere real, display methods behaving, no
// script or console errors and no file name turned into markup.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

// Elements the templates and page makers write; anything else on a page came from somewhere
// it should not have (a file name read as markup, for one).
const KNOWN_TAGS = new Set(
  ('html head meta title style script body div header nav main footer table tbody thead tr td ' +
    'th center a img br font b i u p span h1 h2 h3 h4 h5 h6').split(' '),
);

const THUMB_PAGE = /^Index\d*\.html$/;

// A caption as the pages show a file name: longer than 15 characters, its first 12 and "...".
export function caption(name, length = 15) {
  const chars = [...name];
  return chars.length <= length ? name : chars.slice(0, length - 3).join('') + '...';
}

// The file name a URL of the site names, decoded, relative to the site's base URL.
export function siteName(base, url) {
  const u = new URL(url);
  const b = new URL(base);
  assert.ok(
    u.protocol === b.protocol && u.host === b.host && u.pathname.startsWith(b.pathname),
    `${url} lies outside the site ${base}`,
  );
  return decodeURIComponent(u.pathname.slice(b.pathname.length));
}

function withoutHash(url) {
  const u = new URL(url);
  u.hash = '';
  return u.href;
}

async function targetExists(url) {
  const u = new URL(url);
  if (u.protocol === 'file:') {
    const file = fileURLToPath(u);
    return fs.existsSync(file) && fs.statSync(file).isFile();
  }
  const response = await fetch(u, { method: 'HEAD' });
  return response.status === 200;
}

// The URL and window name of an href "javascript:openWin('url','name');" as the browser runs it
// (it percent-decodes a javascript: URL once before running it), or null for another href.
export function parseOpenWin(href) {
  if (!href.startsWith('javascript:')) return null;
  const script = decodeURIComponent(href.slice('javascript:'.length));
  // Each argument is a single-quoted script string; a quote inside it is written \'.
  const m = /^openWin\('((?:[^'\\]|\\.)*)','((?:[^'\\]|\\.)*)'\);$/.exec(script);
  assert.ok(m, `the script link ${href} does not call openWin(url, name)`);
  const unescape = (s) => s.replace(/\\(.)/g, '$1');
  return { url: unescape(m[1]), name: unescape(m[2]) };
}

async function waitFor(predicate, what, timeoutMs = 15000) {
  const end = Date.now() + timeoutMs;
  while (Date.now() < end) {
    if (await predicate()) return;
    await new Promise((r) => setTimeout(r, 25));
  }
  assert.fail(`timed out waiting for ${what}`);
}

// Gathers what the checks need from the page in one round trip.
function pageFacts() {
  const rect = (el) => {
    const r = el.getBoundingClientRect();
    return { width: r.width, height: r.height };
  };
  const thumbCell = (a) => {
    const td = a.closest('td');
    return !!td && !!td.querySelector('img[src*="_thb.jpg"]');
  };
  return {
    images: [...document.images].map((img) => ({
      src: img.getAttribute('src'),
      url: img.src,
      loaded: img.complete && img.naturalWidth > 0,
      natural: { width: img.naturalWidth, height: img.naturalHeight },
      width: img.getAttribute('width'),
      height: img.getAttribute('height'),
      rect: rect(img),
    })),
    links: [...document.querySelectorAll('a[href]')].map((a, index) => ({
      index,
      href: a.getAttribute('href'),
      url: a.href,
      target: a.getAttribute('target'),
      thumb: thumbCell(a),
      hasThumbImage: !!a.querySelector('img[src*="_thb.jpg"]'),
    })),
    tags: [...document.querySelectorAll('*')].map((e) => ({
      tag: e.localName,
      html: e.outerHTML.slice(0, 120),
    })),
    text: document.body ? document.body.innerText : '',
  };
}

export class SiteWalker {
  // c: the case (method, displayAsImage, maxSize, ...); base: the site's URL with a trailing
  // slash; site: its folder; images: the image names; shots: a Screenshots.
  constructor(context, c, base, site, images, shots) {
    Object.assign(this, { context, c, base, site, images, shots });
    this.visited = new Set();
    this.linkedImages = new Set();
    this.pageCount = { thumb: 0, image: 0 };
    this.known = new Map();
    this.tab = null;
    this.errors = [];
    this.label = '';
  }

  // Loads url into the walker's one tab, whose console and script errors go to this.errors.
  async open(url, label) {
    if (!this.tab) {
      this.tab = await this.context.newPage();
      this.watch(this.tab, () => this.errors, () => this.label);
    }
    this.errors = [];
    this.label = label;
    const response = await this.tab.goto(url, { waitUntil: 'load' });
    if (new URL(url).protocol !== 'file:') {
      const status = response && response.status();
      assert.equal(status, 200, `${label}: the server answered ${status}`);
    }
    return this.tab;
  }

  watch(page, errors, label) {
    page.on('console', (m) => {
      if (m.type() !== 'error') return;
      const where = m.location().url || '';
      // The browser asks every http site for a site icon of its own accord; the pages name none.
      if (where.endsWith('/favicon.ico')) return;
      errors().push(`${label()}: console error: ${m.text()} ${where}`);
    });
    page.on('pageerror', (e) => errors().push(`${label()}: script error: ${e.message}`));
  }

  async close() {
    if (this.tab) await this.tab.close();
    this.tab = null;
  }

  // Whether url is the site's file name.
  shows(url, name) {
    const u = new URL(url);
    const b = new URL(this.base);
    if (u.protocol !== b.protocol || u.host !== b.host || !u.pathname.startsWith(b.pathname)) {
      return false;
    }
    return decodeURIComponent(u.pathname.slice(b.pathname.length)) === name;
  }

  // Whether the file a URL names exists (asked once per URL).
  async exists(url) {
    if (!this.known.has(url)) this.known.set(url, await targetExists(url));
    return this.known.get(url);
  }

  // Walks the whole site from its first page; fails on the first broken expectation.
  async walk(firstPage) {
    const queue = [new URL(firstPage, this.base).href];
    this.visited.add(queue[0]);
    try {
      while (queue.length > 0) {
        const url = queue.shift();
        for (const next of await this.checkPage(url)) {
          if (!this.visited.has(next)) {
            this.visited.add(next);
            queue.push(next);
          }
        }
      }
    } finally {
      await this.close();
    }
    // Every page of the folder was reached, and every image is linked from somewhere.
    const reached = new Set([...this.visited].map((u) => siteName(this.base, u)));
    const pages = fs.readdirSync(this.site).filter((n) => n.endsWith('.html'));
    for (const name of pages) {
      assert.ok(reached.has(name), `the page ${name} is not reached by following links`);
    }
    for (const name of this.images) {
      assert.ok(this.linkedImages.has(name), `no page leads to the image ${name}`);
    }
    return { pages: pages.length };
  }

  // Checks one page; returns the pages it links to.
  async checkPage(url) {
    const name = siteName(this.base, url);
    const label = `page ${name}`;
    const isThumbPage = THUMB_PAGE.test(name);
    const page = await this.open(url, label);
    const facts = await page.evaluate(pageFacts);
    this.checkMarkup(label, facts);
    const next = await this.checkLinks(label, facts, url);
    this.checkImages(label, facts, isThumbPage);
    if (isThumbPage) {
      this.pageCount.thumb++;
      await this.shots.take(page, 'thumbnail-page');
      if (this.c.buttonIndex) await this.shots.take(page, 'thumbnail-page-button-index');
      await this.checkDisplayMethod(page, label, facts);
    } else {
      this.pageCount.image++;
      await this.shots.take(page, 'image-display-page');
      this.checkImagePage(label, name, facts);
    }
    assert.deepEqual(this.errors, [], this.errors[0]);
    return next;
  }

  checkMarkup(label, facts) {
    for (const { tag, html } of facts.tags) {
      assert.ok(KNOWN_TAGS.has(tag), `${label}: unexpected element <${tag}>: ${html}`);
    }
  }

  checkImages(label, facts) {
    for (const img of facts.images) {
      assert.ok(img.loaded, `${label}: <img src="${img.src}"> did not load`);
      const target = siteName(this.base, img.url);
      if (this.images.includes(target)) this.linkedImages.add(target);
    }
  }

  // Every link leads to an existing file; thumbnail links have the form of the display method.
  async checkLinks(label, facts, pageUrl) {
    const pages = [];
    for (const link of facts.links) {
      const where = `${label}: link ${link.index} (href="${link.href}")`;
      const script = parseOpenWin(link.href);
      let target;
      if (script) {
        target = new URL(script.url, pageUrl).href;
      } else if (/^https?:/.test(link.href) && !link.url.startsWith(this.base)) {
        continue;  // the promotional link to the maker's web site; no network here
      } else {
        target = withoutHash(link.url);
      }
      if (link.thumb) {
        this.checkThumbLinkForm(where, link, script, target);
        const image = this.imageOf(siteName(this.base, target));
        assert.ok(image, `${where} leads to ${siteName(this.base, target)}, which shows no image`);
        assert.ok(
          facts.text.includes(caption(image)),
          `${label}: the caption of ${image} does not read ${caption(image)} as text`,
        );
      }
      assert.ok(await this.exists(target), `${where} leads to a missing file ${target}`);
      const name = siteName(this.base, target);
      if (this.images.includes(name)) this.linkedImages.add(name);
      if (name.endsWith('.html')) pages.push(target);
    }
    return pages;
  }

  checkThumbLinkForm(where, link, script, target) {
    const { method, displayAsImage } = this.c;
    const name = siteName(this.base, target);
    assert.ok(
      displayAsImage ? this.images.includes(name) : name.endsWith('.html'),
      `${where} leads to ${name}, not to ${displayAsImage ? 'an image' : 'an image display page'}`,
    );
    if (method === 0) {
      assert.ok(!script && !link.target, `${where} should open in the same window`);
    } else if (method === 1) {
      assert.equal(link.target, '_blank', `${where} should open a new tab`);
    } else {
      assert.ok(script, `${where} should call openWin`);
      if (method === 2) {
        assert.match(script.name, /^show_[a-z0-9_]+_window$/, `${where}: window name`);
      }
    }
  }

  // The image a link target stands for: itself, or the image of a display page.
  imageOf(name) {
    return this.images.find((i) => i === name || i.slice(0, i.lastIndexOf('.')) + '.html' === name);
  }

  checkImagePage(label, name, facts) {
    const image = this.imageOf(name);
    assert.ok(image, `${label} belongs to no image`);
    const shown = facts.images.find((img) => siteName(this.base, img.url) === image);
    assert.ok(shown, `${label} does not show ${image}`);
    assert.ok(
      facts.text.includes(caption(image)),
      `${label}: the heading does not read ${caption(image)} as text`,
    );
    if (!this.c.maxSize) return;
    const where = `${label}: <img src="${shown.src}">`;
    assert.ok(shown.width && shown.height, `${where} has no WIDTH and HEIGHT`);
    const w = Number(shown.width);
    const h = Number(shown.height);
    assert.ok(
      w <= this.c.maxSize.width && h <= this.c.maxSize.height,
      `${where} is ${w}x${h}, over the maximum`,
    );
    // The width within a pixel. The sample template lets the height follow the width
    // (height: auto), and the fitted width was cut to whole pixels, so the height may differ by
    // up to the picture's height-to-width ratio besides its own rounding.
    const slack = 1 + shown.natural.height / shown.natural.width;
    assert.ok(
      Math.abs(shown.rect.width - w) < 1 && Math.abs(shown.rect.height - h) < slack,
      `${where} shows at ${shown.rect.width}x${shown.rect.height}, not at its ${w}x${h}`,
    );
  }

  // Methods 1 to 3: clicking the thumbnails opens the picture as the method promises.
  async checkDisplayMethod(page, label, facts) {
    const { method } = this.c;
    if (method === 0) return;
    const thumbs = facts.links.filter((l) => l.hasThumbImage);
    const popups = [];
    const onPopup = (p) => {
      this.watch(p, () => this.errors, () => `${label}: window opened by a thumbnail`);
      popups.push(p);
    };
    page.on('popup', onPopup);
    try {
      await this.clickThumbnails(page, label, thumbs, popups);
    } finally {
      page.off('popup', onPopup);
      for (const p of popups) await p.close();
    }
  }

  async clickThumbnails(page, label, thumbs, popups) {
    const { method } = this.c;
    const anchors = page.locator('a[href]');
    // Method 1 opens a tab per click; one click per page shows it. The script methods differ
    // in the window count: every thumbnail of the first page is clicked, two of the others.
    const first = this.pageCount.thumb === 1;
    const clicked = thumbs.slice(0, method === 1 ? 1 : first ? thumbs.length : 2);
    const names = new Set();
    for (const link of clicked) {
      const script = parseOpenWin(link.href);
      const target = script ? new URL(script.url, page.url()).href : withoutHash(link.url);
      const wanted = siteName(this.base, target);
      await anchors.nth(link.index).click();
      await waitFor(
        async () => popups.some((p) => !p.isClosed() && this.shows(p.url(), wanted)),
        `${label}: a window showing ${wanted} after clicking thumbnail link ${link.index}`,
      );
      if (script) names.add(script.name);
      assert.deepEqual(this.errors, [], this.errors[0]);
    }
    for (const p of popups) {
      await p.waitForLoadState('load');
      const pictures = await p.evaluate(() =>
        [...document.images].map((i) => ({ src: i.src, loaded: i.complete && i.naturalWidth > 0 })),
      );
      assert.ok(pictures.length > 0, `${label}: the opened window ${p.url()} shows no picture`);
      for (const pic of pictures) {
        assert.ok(pic.loaded, `${label}: the opened window ${p.url()} did not load ${pic.src}`);
      }
    }
    if (popups.length > 0) {
      await this.shots.take(popups[popups.length - 1], `opened-by-method-${method}`);
    }
    const opened = `${label}: ${clicked.length} clicks opened ${popups.length} windows`;
    if (method === 1) {
      assert.equal(popups.length, 1, `${opened}, not one tab`);
    } else if (method === 2) {
      assert.equal(popups.length, clicked.length, `${opened}, not one each`);
      const windowNames = await Promise.all(popups.map((p) => p.evaluate(() => window.name)));
      assert.deepEqual(
        new Set(windowNames),
        names,
        `${label}: window names ${windowNames} differ from the links' ${[...names]}`,
      );
    } else {
      assert.equal(popups.length, 1, `${opened}, not one shared window`);
    }
  }
}

// One screenshot of each kind of page per run, into the output folder.
export class Screenshots {
  constructor(folder) {
    this.folder = folder;
    this.taken = new Set();
    fs.mkdirSync(folder, { recursive: true });
  }

  async take(page, kind) {
    if (this.taken.has(kind)) return;
    this.taken.add(kind);
    await page.screenshot({ path: path.join(this.folder, `${kind}.png`), fullPage: true });
  }
}
