// Makes the test sites: 23 images (the demo photographs and copies of some of them under names
// that are awkward in URLs and HTML), a data directory of their own, and a build through the
// real parvel-cli. Nothing here touches the user's data directory.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

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
  ]);
  runCli(cli, dataDir, ['build', 'Site_1', '--no']);
  return { site, images };
}
