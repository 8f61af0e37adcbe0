// Runs Debian's linkchecker over a built site: every page of the site is a start URL, links are
// followed inside the site only (localHost for http, file URLs otherwise), and anything on
// another host only gets its syntax checked (no network). Resolves to { ok, code, output }: ok
// when linkchecker exits 0 and reports no error. Run as root, it reads the files as "nobody".
import { spawn } from 'node:child_process';
import { fileURLToPath } from 'node:url';

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
