// The test sites and the tools around them: making them (23 images, the demo photographs and
// copies of some of them under names that are awkward in URLs and HTML, a data directory of
// their own, a build through the real parvel-cli; nothing here touches the user's data
// directory), serving them, opening them in Debian's Chromium and running linkchecker over them.
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

// Copies of demo photographs under names with a blank, "&", "'", "#", "%", non-ASCII letters
// and a "<" (with a ">" after it, so that a name put into a page unescaped would make an element:
// the walker refuses any q element).
const AWKWARD_NAMES = [
  ['sunset.jpg', 'evening sun.jpg'], ['fig_bowl.jpg', 'figs & wine.jpg'],
  ['clock.jpg', "o'clock.jpg"], ['bridge.jpg', 'bridge #2.jpg'],
  ['dandelions.jpg', '100% dandelion.jpg'], ['wine.jpg', 'café crème.jpg'],
  ['nuthatch.jpg', 'Vögel über.jpg'], ['stream.jpg', '日本の川.jpg'], ['brushes.jpg', 'mix<q>tag.jpg'],
];

// Names beyond ASCII, a GIF among them, for the templates that declare no character set: a
// browser reading the page as windows-1252 would break them if they were not written in ASCII.
const CHARSET_NAMES = [['wine.jpg', 'café.jpg'], ['../navgraph/Next.gif', 'Zürich 2.gif']];

function runCli(cli, dataDir, args) {
  try {
    const options = { stdio: ['ignore', 'pipe', 'pipe'], timeout: 120000 };
    execFileSync(cli, ['--data-dir', dataDir, ...args], options);
  } catch (err) {
    throw new Error(`parvel-cli ${args.join(' ')} failed (${err.status}):\n${err.stderr}`);
  }
}

// Builds one case's site under dir with its own data directory; returns the site folder (with a
// trailing slash) and the image names.
export function buildSite(cli, repoRoot, dir, c) {
  const [dataDir, site] = ['data', 'site'].map((d) => path.join(dir, d) + path.sep);
  const [photos, nav] = ['demo-photos', 'navgraph'].map((d) => path.join(repoRoot, 'data', d));
  for (const folder of [dataDir, site]) fs.mkdirSync(folder, { recursive: true });
  let template = path.join(repoRoot, 'data', 'Styles', 'Sample_With_Index.htm');
  if (c.noCharset) {
    // The sample template without its character-set declaration, as older templates come.
    const text = fs.readFileSync(template, 'latin1').replace(/<meta charset="utf-8">\r?\n/i, '');
    if (/charset/i.test(text)) throw new Error('the sample template still declares a charset');
    template = path.join(dir, 'No_Charset.htm');
    fs.writeFileSync(template, text, 'latin1');
  }
  const images = fs.readdirSync(photos).filter((n) => n.endsWith('.jpg'));
  for (const name of images) fs.copyFileSync(path.join(photos, name), path.join(site, name));
  for (const [from, to] of [...AWKWARD_NAMES, ...(c.noCharset ? CHARSET_NAMES : [])]) {
    fs.copyFileSync(path.join(photos, from), path.join(site, to));
    images.push(to);
  }
  const yes = (on) => (on ? 'True' : 'False');
  const options = `[Options]\r\nUseThumbsDirectory=${yes(c.thumbsDirectory)}\r\n`;
  fs.writeFileSync(dataDir + 'options.ini', options);
  // Graphic index and previous/next cells with the button index; text cells without.
  const button = (file) => (c.buttonIndex ? path.join(nav, file) : '');
  runCli(cli, dataDir, ['new-site', 'Gallery', '--path', site]);
  const size = (side) => (c.maxSize ? c.maxSize[side] : 'NA');
  runCli(cli, dataDir, [
    ...['set', 'Site_1', `Style_File=${template}`, `DisplayAsImage=${yes(c.displayAsImage)}`],
    ...[`Image_Display_Method=${c.method}`, 'Horizontal_Thumb_Count=3', 'Vertical_Thumb_Count=3'],
    ...['Filename_Display=Normal', 'IndexInThumbPages=True', 'IndexInImagePages=True'],
    ...['ImageNavigationBar=True', 'Image_Heading=True', 'Page_Position_Heading=True'],
    ...[`Image_Width=${size('width')}`, `Image_Height=${size('height')}`],
    ...(c.displayAsImage ? [] : [`Image_Style_File=${template}`]),
    `Selected_Page_Index_File=${button('Button_Selected.gif')}`,
    `Other_Page_Index_File=${button('Button.gif')}`,
    `Previous_Page_File=${button('Previous.gif')}`,
    `Next_Page_File=${button('Next.gif')}`,
    `Return_To_Index_File=${button('Index.gif')}`,
    // Web-ready: display copies, 2x thumbnails and lazy loading.
    ...(c.webReady
      ? ['Web_Image_Size=800', 'HiDPI_Thumbnails=True', 'Lazy_Loading=True']
      : []),
  ]);
  runCli(cli, dataDir, ['build', 'Site_1', '--no']);
  return { site, images };
}

// A tiny static file server for the built sites: 127.0.0.1 on a free port, GET and HEAD only,
// paths percent-decoded and kept inside the served folder.
const TYPES = { '.html': 'text/html', '.jpg': 'image/jpeg', '.gif': 'image/gif' };

// Starts serving root; resolves to { url, close() } where url ends without a slash.
export async function serveFolder(root) {
  const server = http.createServer((req, res) => {
    let file = null;
    try {
      file = path.join(root, path.posix.normalize('/' + decodeURIComponent(req.url.split('?')[0])));
    } catch {}
    if (!['GET', 'HEAD'].includes(req.method) || !file?.startsWith(root + path.sep)) {
      res.writeHead(403).end();
      return;
    }
    fs.stat(file, (err, stat) => {
      if (err || !stat.isFile()) return res.writeHead(404).end('not found');
      const type = TYPES[path.extname(file).toLowerCase()] || 'application/octet-stream';
      // linkchecker asks a server for this header before it sends more than 10 requests a second.
      res.writeHead(200, { 'Content-Type': type, 'Content-Length': stat.size, LinkChecker: 'any' });
      if (req.method === 'HEAD') res.end();
      else fs.createReadStream(file).pipe(res);
    });
  });
  await new Promise((resolve, reject) => {
    server.once('error', reject).listen(0, '127.0.0.1', resolve);
  });
  return {
    url: `http://127.0.0.1:${server.address().port}`,
    close: () => new Promise((resolve) => server.close(resolve)),
  };
}

// Debian's Chromium driven through playwright-core: never a downloaded browser, a fresh profile
// folder for every run, and nothing that reaches out to the network by itself.
const CHROMIUM = process.env.PARVEL_CHROMIUM || '/usr/bin/chromium';
const FLAGS = ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-sync'];
FLAGS.push('--disable-background-networking', '--disable-component-update', '--disable-quic');

// Resolves to { context, close() }; close() also removes the profile folder.
// `deviceScaleFactor`: the screen's density (2 for a high-density screen).
export async function launchBrowser(deviceScaleFactor = 1) {
  if (!fs.existsSync(CHROMIUM)) throw new Error(`${CHROMIUM} is missing: install chromium`);
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'parvel-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    args: FLAGS,
    viewport: { width: 1280, height: 900 },
    deviceScaleFactor,
    timeout: 120000,
  });
  return {
    context,
    close: async () => {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Runs Debian's linkchecker over a built site: every page of the site is a start URL, links are
// followed inside the site only (localHost for http, file URLs otherwise), and anything on
// another host only gets its syntax checked (no network). Resolves to { ok, code, output }: ok
// when linkchecker exits 0 and reports no error. Run as root, it reads the files as "nobody".
export function runLinkchecker(urls, localHost) {
  const config = fileURLToPath(new URL('../linkcheckerrc', import.meta.url));
  const host = localHost && localHost.replace(/\./g, '\\.');
  const outside = host ? `^(?!https?://${host}[:/])` : '^(?!file:)';
  const args = ['--config', config, '--no-status', '--no-warnings', '--no-robots'];
  args.push('--threads', '4', '--timeout', '20', '--ignore-url', outside, '-o', 'text', ...urls);
  return new Promise((resolve, reject) => {
    const child = spawn('linkchecker', args, { stdio: ['ignore', 'pipe', 'pipe'] });
    let output = '';
    child.stdout.on('data', (d) => (output += d));
    child.stderr.on('data', (d) => (output += d));
    child.on('error', reject);
    child.on('close', (code) => {
      resolve({ ok: code === 0 && /\b0 errors found\b/.test(output), code, output });
    });
  });
}
