// A tiny static file server for the built sites: 127.0.0.1 on a free port, GET and HEAD only,
// paths percent-decoded and kept inside the served folder.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

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
