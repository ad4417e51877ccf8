// A tiny static server for the built pages, on 127.0.0.1 only.
// As a program: node serve.js ROOT [PORT] prints the address and serves
// until stopped. As a module: serve(root) resolves to {server, base}.
'use strict';
const http = require('http');
const fs = require('fs');
const path = require('path');

const types = {'.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
               '.data': 'application/octet-stream', '.png': 'image/png'};

function serve(root, port = 0) {
  root = path.resolve(root);
  const server = http.createServer((request, response) => {
    // A malformed address (bad escapes, a NUL, a way out of the root) is
    // the client's error; the server goes on serving the next request.
    // Taken as sent: a parser would quietly resolve the '..' away.
    const sent = request.url.split(/[?#]/)[0];
    let name = null;
    try {
      name = decodeURIComponent(sent);
    } catch (error) {
      // bad percent-encoding
    }
    if (name === null || !name.startsWith('/') || name.includes('\0') || name.split(/[\\/]/).includes('..')) {
      response.writeHead(400).end();
      return;
    }
    if (name.endsWith('/'))
      name += 'index.html';
    const file = path.join(root, path.normalize(name));
    if (!file.startsWith(root + path.sep)) {
      response.writeHead(400).end();
      return;
    }
    fs.readFile(file, (error, body) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream',
                               'Cache-Control': 'no-store'});
      response.end(body);
    });
  });
  return new Promise((resolve) => server.listen(port, '127.0.0.1', () =>
    resolve({server, base: `http://127.0.0.1:${server.address().port}/`})));
}

module.exports = {serve};

if (require.main === module) {
  serve(process.argv[2] || '.', Number(process.argv[3] || 0)).then(({base}) => console.log(base));
}
