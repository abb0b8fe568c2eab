// One http server on 127.0.0.1 for the page, the Ruffle player's files and
// the movies. It logs every request, so a test can see the URLs that a movie
// makes the browser open; paths it does not know get a small page and 404.
'use strict';

const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');

const RUFFLE_DIR = path.dirname(require.resolve('@ruffle-rs/ruffle/package.json'));

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.swf': 'application/x-shockwave-flash',
  '.jpg': 'image/jpeg',
  '.png': 'image/png',
  '.webp': 'image/webp',
  '.gif': 'image/gif',
  '.svg': 'image/svg+xml',
};

// The player's configuration: deterministic screenshots (no splash, no
// overlays, canvas renderer, one stage pixel to one screen pixel) and links
// that may open in the page itself.
const RUFFLE_CONFIG = {
  autoplay: 'on',
  splashScreen: false,
  unmuteOverlay: 'hidden',
  letterbox: 'off',
  preferredRenderer: 'canvas',
  contextMenu: 'off',
  quality: 'low',
  scale: 'exactfit',
  allowScriptAccess: true,
  openUrlMode: 'allow',
  allowNetworking: 'all',
};

// The page: a player element of exactly the stage size at the top left,
// loading /movies/<movie> (query: movie, w, h, and renderer to use another
// renderer than the canvas one). Its font size and line height are 0: the player
// draws into an inline canvas, which a line box taller than a small stage
// would push down and out of view. window.quillon.metadata is set when the player has
// read the movie's header.
function playerPage() {
  return `<!doctype html>
<html><head><meta charset="utf-8"><title>player</title>
<style>html, body { margin: 0; padding: 0; background: #fff; overflow: hidden; }
ruffle-player { display: block; position: absolute; left: 0; top: 0; font-size: 0; line-height: 0; }</style>
<script>window.RufflePlayer = { config: ${JSON.stringify(RUFFLE_CONFIG)} };
const params = new URLSearchParams(location.search);
if (params.get('renderer')) window.RufflePlayer.config.preferredRenderer = params.get('renderer');
window.quillon = { metadata: null };</script>
<script src="/ruffle/ruffle.js"></script>
</head><body><script>
const player = window.RufflePlayer.newest().createPlayer();
player.style.width = params.get('w') + 'px';
player.style.height = params.get('h') + 'px';
player.addEventListener('loadedmetadata', () => {
  const { width, height, frameRate, numFrames, swfVersion } = player.metadata;
  window.quillon.metadata = { width, height, frameRate, numFrames, swfVersion };
});
document.body.appendChild(player);
window.quillon.player = player;
player.load('/movies/' + encodeURIComponent(params.get('movie')));
</script></body></html>
`;
}

class TestServer {
  // Serves /player.html, the player's files under /ruffle/ and the files of
  // movieDir under /movies/; with site, a folder served as it is, as a
  // user's server would: every file under it by its path, and nothing else.
  constructor(movieDir, { site } = {}) {
    this.routes = site ? { '/': site } : { '/ruffle/': RUFFLE_DIR, '/movies/': movieDir };
    this.site = site;
    this.requests = [];  // {url, time}, in order of arrival
    this.server = http.createServer((req, res) => this.handle(req, res));
  }

  async start() {
    await new Promise((resolve, reject) => {
      this.server.once('error', reject);
      this.server.listen(0, '127.0.0.1', resolve);
    });
    this.origin = `http://127.0.0.1:${this.server.address().port}`;
    return this;
  }

  async close() {
    this.server.closeAllConnections();
    await new Promise((resolve) => this.server.close(resolve));
  }

  // Requests whose path and query begin with prefix.
  requestsTo(prefix) {
    return this.requests.filter((r) => r.url.startsWith(prefix));
  }

  handle(req, res) {
    this.requests.push({ url: req.url, time: Date.now() });
    const { pathname } = new URL(req.url, 'http://127.0.0.1');
    const send = (status, type, body) => {
      res.writeHead(status, { 'content-type': type, 'cache-control': 'no-store' });
      res.end(body);
    };
    const file = this.resolve(pathname);
    if (pathname === '/player.html' && !this.site) {
      send(200, TYPES['.html'], playerPage());
    } else if (file) {
      fs.readFile(file, (err, data) => {
        if (err) send(404, 'text/plain', 'not found');
        else send(200, TYPES[path.extname(file)] || 'application/octet-stream', data);
      });
    } else {
      send(404, TYPES['.html'], `<!doctype html><title>not here</title><p>${pathname}</p>`);
    }
  }

  // The file behind a path of the routes, if there is one.
  resolve(pathname) {
    const [prefix, dir] = Object.entries(this.routes).find(([p]) => pathname.startsWith(p)) || [];
    const file = dir && path.join(dir, decodeURIComponent(pathname.slice(prefix.length)));
    return file && file.startsWith(dir + path.sep) && fs.existsSync(file) && fs.statSync(file).isFile() ? file : null;
  }
}

module.exports = { TestServer };
