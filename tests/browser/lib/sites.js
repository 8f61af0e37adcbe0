// Makes the test sites: 23 images (the demo photographs and copies of some of them under names
// that are awkward in URLs and HTML), a data directory of their own, and a build through the
// real parvel-cli. Nothing here touches the user's data directory.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

// Copies of demo photographs under names with a blank, "&", "'", "#", "%", non-ASCII letters
// and a "<" (with a ">" after it, so that a name put into a page unescaped would make an element).
export const AWKWARD_NAMES = [
  ['sunset.jpg', 'evening sun.jpg'],
  ['fig_bowl.jpg', 'figs & wine.jpg'],
  ['clock.jpg', "o'clock.jpg"],
  ['bridge.jpg', 'bridge #2.jpg'],
  ['dandelions.jpg', '100% dandelion.jpg'],
  ['wine.jpg', 'café crème.jpg'],
  ['nuthatch.jpg', 'Vögel über.jpg'],
  ['stream.jpg', '日本の川.jpg'],
  ['brushes.jpg', 'mix<q>tag.jpg'],
];

// Pictures of the case whose templates declare no character set: names beyond ASCII, a GIF
// among them, that a browser reading the page as windows-1252 would break if they were not
// written in ASCII.
export const CHARSET_NAMES = [
  ['wine.jpg', 'café.jpg'],
  ['../navgraph/Next.gif', 'Zürich 2.gif'],
];

// The name whose "<q>" must show as text and never become a q element.
export const MARKUP_NAME = 'mix<q>tag.jpg';

export const IMAGES_PER_ROW = 3;
export const ROWS_PER_PAGE = 3;

// Copies the 23 images (25 with c.noCharset) into site; returns their names.
export function makeImages(repoRoot, site, c = {}) {
  const photos = path.join(repoRoot, 'data', 'demo-photos');
  const names = [];
  for (const name of fs.readdirSync(photos).filter((n) => n.endsWith('.jpg'))) {
    fs.copyFileSync(path.join(photos, name), path.join(site, name));
    names.push(name);
  }
  for (const [from, to] of [...AWKWARD_NAMES, ...(c.noCharset ? CHARSET_NAMES : [])]) {
    fs.copyFileSync(path.join(photos, from), path.join(site, to));
    names.push(to);
  }
  return names;
}

// The sample template without its character-set declaration, as older templates come, written
// into folder; returns its path.
export function templateWithoutCharset(repoRoot, folder) {
  const sample = fs.readFileSync(path.join(repoRoot, 'data', 'Styles', 'Sample_With_Index.htm'));
  const text = sample.toString('latin1').replace(/<meta charset="utf-8">\r?\n/i, '');
  if (/charset/i.test(text)) throw new Error('the sample template still declares a charset');
  fs.mkdirSync(folder, { recursive: true });
  const file = path.join(folder, 'No_Charset.htm');
  fs.writeFileSync(file, text, 'latin1');
  return file;
}

// The settings of one case of the matrix, as KEY=VALUE words for `parvel-cli set`.
export function settingsFor(repoRoot, c) {
  const styles = path.join(repoRoot, 'data', 'Styles');
  const nav = path.join(repoRoot, 'data', 'navgraph');
  const template = c.template || path.join(styles, 'Sample_With_Index.htm');
  const words = [
    `Style_File=${template}`,
    `DisplayAsImage=${c.displayAsImage ? 'True' : 'False'}`,
    `Image_Display_Method=${c.method}`,
    `Horizontal_Thumb_Count=${IMAGES_PER_ROW}`,
    `Vertical_Thumb_Count=${ROWS_PER_PAGE}`,
    'Filename_Display=Normal',
    'IndexInThumbPages=True',
    'IndexInImagePages=True',
    'ImageNavigationBar=True',
    'Image_Heading=True',
    'Page_Position_Heading=True',
    `Image_Width=${c.maxSize ? c.maxSize.width : 'NA'}`,
    `Image_Height=${c.maxSize ? c.maxSize.height : 'NA'}`,
  ];
  if (!c.displayAsImage) words.push(`Image_Style_File=${template}`);
  if (c.buttonIndex) {
    // Button index and graphic previous/next cells; the text index cases use text cells.
    words.push(
      `Selected_Page_Index_File=${path.join(nav, 'Button_Selected.gif')}`,
      `Other_Page_Index_File=${path.join(nav, 'Button.gif')}`,
      `Previous_Page_File=${path.join(nav, 'Previous.gif')}`,
      `Next_Page_File=${path.join(nav, 'Next.gif')}`,
      `Return_To_Index_File=${path.join(nav, 'Index.gif')}`,
    );
  } else {
    words.push(
      'Selected_Page_Index_File=',
      'Other_Page_Index_File=',
      'Previous_Page_File=',
      'Next_Page_File=',
      'Return_To_Index_File=',
    );
  }
  return words;
}

function runCli(cli, dataDir, args) {
  try {
    return execFileSync(cli, ['--data-dir', dataDir, ...args], {
      encoding: 'utf8',
      stdio: ['ignore', 'pipe', 'pipe'],
      timeout: 120000,
    });
  } catch (err) {
    throw new Error(
      `parvel-cli ${args.join(' ')} failed (status ${err.status}):\n${err.stderr || err.message}`,
    );
  }
}

// Builds one case's site under dir with its own data directory; returns the site folder (with a
// trailing slash) and the image names.
export function buildSite(cli, repoRoot, dir, c) {
  const dataDir = path.join(dir, 'data') + path.sep;
  const site = path.join(dir, 'site') + path.sep;
  fs.mkdirSync(dataDir, { recursive: true });
  fs.mkdirSync(site, { recursive: true });
  fs.writeFileSync(
    path.join(dataDir, 'options.ini'),
    `[Options]\r\nUseThumbsDirectory=${c.thumbsDirectory ? 'True' : 'False'}\r\n`,
  );
  if (c.noCharset) {
    c = { ...c, template: templateWithoutCharset(repoRoot, path.join(dir, 'styles')) };
  }
  const images = makeImages(repoRoot, site, c);
  runCli(cli, dataDir, ['new-site', 'Gallery', '--path', site]);
  runCli(cli, dataDir, ['set', 'Site_1', ...settingsFor(repoRoot, c)]);
  runCli(cli, dataDir, ['build', 'Site_1', '--no']);
  return { site, images };
}
