// A tiny static file server for the built sites: 127.0.0.1 on a free port, GET and HEAD only,
// paths percent-decoded and kept inside the served folder. Written here because the suite needs
// nothing more and takes no dependency beyond the browser driver.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

const TYPES = {
  '.html': 'text/html',
  '.htm': 'text/html',
  '.jpg': 'image/jpeg',
  '.jpeg': 'image/jpeg',
  '.jpe': 'image/jpeg',
  '.gif': 'image/gif',
  '.png': 'image/png',
  '.css': 'text/css',
  '.js': 'text/javascript',
  '.txt': 'text/plain',
};

// The file a request path names inside root, or null when it is malformed or leaves root.
export function resolveRequestPath(root, urlPath) {
  let decoded;
  try {
    decoded = decodeURIComponent(urlPath.split('?')[0].split('#')[0]);
  } catch {
    return null;
  }
  if (decoded.includes('\0')) return null;
  const file = path.resolve(root, '.' + path.posix.normalize('/' + decoded));
  const relative = path.relative(root, file);
  if (relative === '..' || relative.startsWith('..' + path.sep) || path.isAbsolute(relative)) {
    return null;
  }
  return file;
}

// Starts serving root; resolves to { url, close() } where url ends without a slash.
export async function serveFolder(root) {
  const server = http.createServer((req, res) => {
    if (req.method !== 'GET' && req.method !== 'HEAD') {
      res.writeHead(405).end();
      return;
    }
    const file = resolveRequestPath(root, new URL(req.url, 'http://127.0.0.1').pathname);
    if (!file) {
      res.writeHead(403).end();
      return;
    }
    fs.stat(file, (err, stat) => {
      if (err || !stat.isFile()) {
        res.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found');
        return;
      }
      const type = TYPES[path.extname(file).toLowerCase()] || 'application/octet-stream';
      // linkchecker asks a server for this header before it sends more than 10 requests a second.
      res.writeHead(200, { 'Content-Type': type, 'Content-Length': stat.size, LinkChecker: 'any' });
      if (req.method === 'HEAD') {
        res.end();
        return;
      }
      fs.createReadStream(file).pipe(res);
    });
  });
  await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(0, '127.0.0.1', resolve);
  });
  const { port } = server.address();
  return {
    url: `http://127.0.0.1:${port}`,
    close: () => new Promise((resolve) => server.close(resolve)),
  };
}
