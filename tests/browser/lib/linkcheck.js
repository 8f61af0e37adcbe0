// Runs Debian's linkchecker over a built site: every page of the site is a start URL, links are
// followed inside the site only, and anything on another host is left unchecked (no network).
import { spawn } from 'node:child_process';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const HERE = path.dirname(fileURLToPath(import.meta.url));
const CONFIG = path.join(HERE, '..', 'linkcheckerrc');

export const LINKCHECKER = process.env.PARVEL_LINKCHECKER || 'linkchecker';

// Resolves to { ok, output }: ok when linkchecker exits 0 and reports no error. Run as root,
// linkchecker reads the site's files as "nobody".
export function runLinkchecker(urls, localHost) {
  // Only URLs of the site's own scheme and host are checked; the promotional link and any other
  // outside address only get their syntax checked.
  const outside = localHost
    ? `^(?!https?://${localHost.replace(/\./g, '\\.')}[:/])`
    : '^(?!file:)';
  const args = ['--config', CONFIG, '--no-status', '--no-warnings', '--no-robots'];
  args.push('--threads', '4', '--timeout', '20', '--ignore-url', outside, '-o', 'text', ...urls);
  return new Promise((resolve, reject) => {
    const child = spawn(LINKCHECKER, args, { stdio: ['ignore', 'pipe', 'pipe'] });
    let output = '';
    child.stdout.on('data', (d) => (output += d));
    child.stderr.on('data', (d) => (output += d));
    child.on('error', reject);
    child.on('close', (code) => {
      const clean = /\b0 errors found\b/.test(output);
      resolve({ ok: code === 0 && clean, code, output });
    });
  });
}
