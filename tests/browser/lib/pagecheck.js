// Walks a built site in the browser from its first page and checks every page as a visitor
// would meet it: pictures loaded, links leading somewhere real, display methods behaving, no
// script or console errors and no file name turned into markup.
import assert from 'node:assert/strict';
import fs from 'node:fs';

// Elements the templates and page makers write; anything else on a page came from somewhere
// it should not have (a file name read as markup, for one).
const KNOWN_TAGS = new Set(
  ('html head meta title style script body div header nav main footer table tbody thead tr td ' +
    'th center a img br font b i u p span h1 h2 h3 h4 h5 h6').split(' '),
);

// A caption as the pages show a file name: longer than 15 characters, its first 12 and "...".
function caption(name) {
  const chars = [...name];
  return chars.length <= 15 ? name : chars.slice(0, 12).join('') + '...';
}

// The file name a URL of the site names, decoded, relative to the site's base URL.
function siteName(base, url) {
  assert.ok(url.startsWith(base), `${url} lies outside the site ${base}`);
  return decodeURIComponent(new URL(url).pathname.slice(new URL(base).pathname.length));
}

// The URL and window name of an href "javascript:openWin('url','name');" as the browser runs it
// (it percent-decodes a javascript: URL once before running it), or null for another href.
function parseOpenWin(href) {
  if (!href.startsWith('javascript:')) return null;
  const script = decodeURIComponent(href.slice('javascript:'.length));
  // Each argument is a single-quoted script string; a quote inside it is written \'.
  const m = /^openWin\('((?:[^'\\]|\\.)*)','((?:[^'\\]|\\.)*)'\);$/.exec(script);
  assert.ok(m, `the script link ${href} does not call openWin(url, name)`);
  return { url: m[1].replace(/\\(.)/g, '$1'), name: m[2].replace(/\\(.)/g, '$1') };
}

// Gathers what the checks need from the page in one round trip.
function pageFacts() {
  const thumb = 'img[src*="_thb.jpg"]';
  return {
    images: [...document.images].map((img) => ({
      src: img.getAttribute('src'), url: img.src, loaded: img.complete && img.naturalWidth > 0,
      width: img.getAttribute('width'), height: img.getAttribute('height'),
      ratio: img.naturalHeight / img.naturalWidth, rect: img.getBoundingClientRect().toJSON(),
    })),
    links: [...document.querySelectorAll('a[href]')].map((a, index) => ({
      index, href: a.getAttribute('href'), url: a.href, target: a.getAttribute('target'),
      thumb: !!a.closest('td')?.querySelector(thumb), hasThumbImage: !!a.querySelector(thumb),
    })),
    tags: [...document.querySelectorAll('*')].map((e) => [e.localName, e.outerHTML.slice(0, 120)]),
    text: document.body ? document.body.innerText : '',
  };
}

export class SiteWalker {
  // c: the case (method, displayAsImage, maxSize, ...); base: the site's URL with a trailing
  // slash; site: its folder; images: the image names.
  constructor(context, c, base, site, images) {
    Object.assign(this, { context, c, base, site, images, errors: [], linkedImages: new Set() });
    this.pageCount = { thumb: 0, image: 0 };
  }

  // Console and script errors of a page go to this.errors.
  watch(page, label) {
    page.on('console', (m) => {
      const where = m.location().url || '';
      // The browser asks every http site for a site icon of its own accord; the pages name none.
      if (m.type() !== 'error' || where.endsWith('/favicon.ico')) return;
      this.errors.push(`${label()}: console error: ${m.text()} ${where}`);
    });
    page.on('pageerror', (e) => this.errors.push(`${label()}: script error: ${e.message}`));
  }

  // Whether the file a URL of the site names exists (the server serves the folder as it is).
  exists(url) {
    return !!fs.statSync(this.site + siteName(this.base, url), { throwIfNoEntry: false })?.isFile();
  }

  // Walks the whole site from its first page in one tab; fails on the first broken expectation.
  async walk(firstPage) {
    const queue = [new URL(firstPage, this.base).href];
    this.tab = await this.context.newPage();
    this.watch(this.tab, () => this.label);
    try {
      for (let i = 0; i < queue.length; i++) {
        for (const next of await this.checkPage(queue[i])) queue.includes(next) || queue.push(next);
      }
    } finally {
      await this.tab.close();
    }
    // Every page of the folder was reached, and every image is linked from somewhere.
    const reached = queue.map((u) => siteName(this.base, u));
    const pages = fs.readdirSync(this.site).filter((n) => n.endsWith('.html'));
    const missed = pages.filter((n) => !reached.includes(n));
    assert.deepEqual(missed, [], `the page ${missed[0]} is not reached`);
    const unlinked = this.images.filter((n) => !this.linkedImages.has(n));
    assert.deepEqual(unlinked, [], `no page leads to the image ${unlinked[0]}`);
  }

  // Checks one page; returns the pages it links to.
  async checkPage(url) {
    const name = siteName(this.base, url);
    const label = (this.label = `page ${name}`);
    this.errors = [];
    const response = await this.tab.goto(url, { waitUntil: 'load' });
    if (!url.startsWith('file:')) assert.equal(response?.status(), 200, `${label}: not served`);
    const facts = await this.tab.evaluate(pageFacts);
    for (const [tag, html] of facts.tags) {
      assert.ok(KNOWN_TAGS.has(tag), `${label}: unexpected element <${tag}>: ${html}`);
    }
    const next = this.checkLinks(label, facts, url);
    for (const img of facts.images) {
      assert.ok(img.loaded, `${label}: <img src="${img.src}"> did not load`);
      this.linkedImages.add(siteName(this.base, img.url));
    }
    const thumbPage = /^Index\d*\.html$/.test(name);
    this.pageCount[thumbPage ? 'thumb' : 'image']++;
    if (!thumbPage) this.checkImagePage(label, name, facts);
    else if (this.c.method !== 0) await this.checkDisplayMethod(label, facts);
    assert.deepEqual(this.errors, [], this.errors[0]);
    return next;
  }

  // Every link leads to an existing file; thumbnail links have the form of the display method.
  // Each link gets its script call (openWin) and the file it leads to (dest).
  checkLinks(label, facts, pageUrl) {
    const { method, displayAsImage } = this.c;
    for (const link of facts.links) {
      const where = `${label}: link ${link.index} (href="${link.href}")`;
      const script = (link.script = parseOpenWin(link.href));
      if (!script && /^https?:/.test(link.href) && !link.url.startsWith(this.base)) {
        continue; // the promotional link to the maker's web site; no network here
      }
      link.dest = script ? new URL(script.url, pageUrl).href : link.url.split('#')[0];
      const name = siteName(this.base, link.dest);
      if (link.thumb) {
        const image = this.imageOf(name);
        assert.ok(image && (displayAsImage ? image === name : name.endsWith('.html')), where);
        assert.ok(facts.text.includes(caption(image)), `${label}: no caption ${caption(image)}`);
        if (method === 0) assert.ok(!script && !link.target, `${where}: not the same window`);
        if (method === 1) assert.equal(link.target, '_blank', `${where}: not a new tab`);
        if (method >= 2) assert.ok(script, `${where} should call openWin`);
        if (method === 2) assert.match(script.name, /^show_[a-z0-9_]+_window$/, where);
      }
      assert.ok(this.exists(link.dest), `${where} leads to a missing file ${link.dest}`);
      this.linkedImages.add(name);
    }
    return facts.links.map((l) => l.dest).filter((d) => d?.endsWith('.html'));
  }

  // The image a link target stands for: itself, or the image of a display page.
  imageOf(name) {
    return this.images.find((i) => i === name || i.slice(0, i.lastIndexOf('.')) + '.html' === name);
  }

  checkImagePage(label, name, facts) {
    const image = this.imageOf(name);
    const shown = facts.images.find((img) => siteName(this.base, img.url) === image);
    assert.ok(shown, `${label} does not show ${image}`);
    assert.ok(facts.text.includes(caption(image)), `${label}: no heading ${caption(image)}`);
    if (!this.c.maxSize) return;
    const [w, h, { width, height }] = [Number(shown.width), Number(shown.height), shown.rect];
    const where = `${label}: <img src="${shown.src}"> of ${w}x${h} shows at ${width}x${height}`;
    assert.ok(w && h && w <= this.c.maxSize.width && h <= this.c.maxSize.height, where);
    // The width within a pixel. The sample template lets the height follow the width
    // (height: auto), and the fitted width was cut to whole pixels, so the height may differ by
    // up to the picture's height-to-width ratio besides its own rounding.
    assert.ok(Math.abs(width - w) < 1 && Math.abs(height - h) < 1 + shown.ratio, where);
  }

  // Methods 1 to 3: clicking the thumbnails opens the picture as the method promises. Method 1
  // opens a tab per click, so one click shows it; the script methods differ in the window count:
  // every thumbnail of the first page is clicked, two of the others.
  async checkDisplayMethod(label, facts) {
    const { method } = this.c;
    const popups = [];
    const onPopup = (p) => {
      this.watch(p, () => `${label}: window opened by a thumbnail`);
      popups.push(p);
    };
    this.tab.on('popup', onPopup);
    const thumbs = facts.links.filter((l) => l.hasThumbImage);
    const clicked = thumbs.slice(0, method === 1 ? 1 : this.pageCount.thumb === 1 ? 1e9 : 2);
    try {
      for (const link of clicked) {
        const wanted = siteName(this.base, link.dest);
        await this.tab.locator('a[href]').nth(link.index).click();
        const shows = () =>
          popups.some((p) => !p.isClosed() && p.url().startsWith(this.base) &&
                             siteName(this.base, p.url()) === wanted);
        for (let end = Date.now() + 15000; !shows(); await new Promise((r) => setTimeout(r, 25))) {
          assert.ok(Date.now() < end, `${label}: no window shows ${wanted} after the click`);
        }
      }
      for (const p of popups) {
        await p.waitForLoadState('load');
        const loaded = await p.evaluate(() => [...document.images].map((i) => i.naturalWidth > 0));
        assert.ok(loaded.length > 0 && loaded.every(Boolean), `${label}: ${p.url()} no picture`);
      }
      const opened = `${label}: ${clicked.length} clicks opened ${popups.length} windows`;
      assert.equal(popups.length, method === 2 ? clicked.length : 1, opened);
      if (method === 2) {
        const windowNames = await Promise.all(popups.map((p) => p.evaluate(() => window.name)));
        const names = new Set(clicked.map((l) => l.script.name));
        assert.deepEqual(new Set(windowNames), names, `${label}: window names ${windowNames}`);
      }
    } finally {
      this.tab.off('popup', onPopup);
      for (const p of popups) await p.close();
    }
  }
}
