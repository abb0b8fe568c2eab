// The real-player harness: the host program writes a movie, Ruffle plays it
// in headless Chromium, and the tests read pixels of screenshots (README.md
// shows its use). One browser serves the whole run; each movie gets a fresh
// page, which player.test closes when its test ends.
'use strict';

const assert = require('node:assert/strict');
const { execFileSync, spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { test } = require('node:test');

for (const name of ['playwright-core', '@ruffle-rs/ruffle/package.json']) {
  assert.doesNotThrow(() => require.resolve(name), `${name} is not installed in tests/player: run scripts/install-deps`);
}
const { chromium } = require('playwright-core');

const { decodePng } = require('./png');
const { TestServer } = require('./server');

const CHROMIUM = '/usr/bin/chromium';
const CHROMIUM_ARGS = [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--no-first-run', '--mute-audio',
];
// Room for the largest stage the tests use (1024 x 768).
const VIEWPORT = { width: 1100, height: 820 };
const POLL_MS = 40;

// What the player says when it gives up on a movie.
const FAILURE_TEXTS = [/RuntimeError: unreachable/, /Unable to lock Ruffle core/, /panicked at/];

const hex = (rgb) => '#' + rgb.map((v) => v.toString(16).padStart(2, '0')).join('');
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A point to sample and the colour it must show: {x, y, rgb: [r, g, b]}.
const point = (x, y, rgb) => ({ x, y, rgb });

// Calls probe every interval ms until it returns something, which it
// returns; null after timeout ms.
async function poll(probe, timeout, interval = POLL_MS) {
  const end = Date.now() + timeout;
  do {
    const found = await probe();
    if (found) return found;
    await sleep(interval);
  } while (Date.now() < end);
  return null;
}

// The program that the environment variable name names (CTest sets it).
function tool(name) {
  const file = process.env[name];
  assert.ok(file && fs.existsSync(file), `${name} must name a program (CTest sets it), not ${file}`);
  return file;
}

// A movie as the strict SWF reader of tests/support reads it
// (quillon-swf-check --json, which CTest names in QUILLON_SWF_CHECK): its
// header, its tags and its bitmaps, with their RGBA pixels when pixels is
// set. Fails when the movie is not sound.
function readMovie(file, { pixels = false } = {}) {
  const run = spawnSync(tool('QUILLON_SWF_CHECK'), ['--json', ...(pixels ? ['--pixels'] : []), file],
    { encoding: 'utf8', maxBuffer: 1 << 28 });
  assert.ok(run.stdout, `quillon-swf-check ${file}: ${run.stderr}`);
  const movie = JSON.parse(run.stdout);
  assert.ok(movie.ok, `${file}: ${movie.error}`);
  for (const b of movie.bitmaps) if (b.rgba) b.rgba = Buffer.from(b.rgba, 'base64');
  return movie;
}

class Player {
  constructor() {
    this.ready = null;
    this.keep = !!process.env.QUILLON_PLAYER_KEEP;
    this.failed = false;
    this.views = [];  // open pages of the running test
  }

  // Starts the server and the browser once; every later call waits for the same.
  start() {
    if (!this.ready) this.ready = this.launch();
    return this.ready;
  }

  async launch() {
    this.host = tool('QUILLON_HOST');
    assert.ok(fs.existsSync(CHROMIUM), `${CHROMIUM} is missing: run scripts/install-deps`);
    this.dir = fs.mkdtempSync(path.join(os.tmpdir(), 'quillon-player-'));
    this.server = await new TestServer(path.join(this.dir)).start();
    this.context = await chromium.launchPersistentContext(path.join(this.dir, 'profile'), {
      executablePath: CHROMIUM,
      headless: true,
      args: CHROMIUM_ARGS,
      viewport: VIEWPORT,
      deviceScaleFactor: 1,
    });
  }

  async stop() {
    if (!this.ready) return;
    await this.ready.catch(() => {});
    if (this.context) await this.context.close();
    if (this.server) await this.server.close();
    if (this.dir) {
      if (this.keep || this.failed) console.log(`# movies and screenshots kept in ${this.dir}`);
      else fs.rmSync(this.dir, { recursive: true, force: true });
    }
  }

  // Registers a test; the pages it opened are closed when it ends, passed or
  // failed.
  test(name, fn, { timeout = 90000 } = {}) {
    test(name, { timeout }, async (t) => {
      try {
        await this.start();
        await fn(t);
      } finally {
        // A page closed while it navigates can keep close() waiting for
        // long; such a page is left to the browser's own close at the end.
        const views = this.views.splice(0);
        await Promise.all(views.map((v) => Promise.race([v.close().catch(() => {}), sleep(3000)])));
      }
    });
  }

  // Runs a host scenario; returns the path of the movie it wrote.
  async write(scenario) {
    await this.start();
    const file = path.join(this.dir, `${scenario}.swf`);
    execFileSync(this.host, [scenario, file, this.dir], { stdio: 'pipe', timeout: 120000 });
    assert.ok(fs.existsSync(file), `scenario ${scenario} wrote no movie`);
    return file;
  }

  // A view of a new page, closed when the test ends.
  async newView(scenario, width, height) {
    await this.start();
    const view = new MovieView(this, await this.context.newPage(), scenario, width, height);
    this.views.push(view);
    return view;
  }

  // Opens a movie that write() produced in a new page with a player of
  // width x height pixels and waits until the player has read its header.
  // renderer 'webgl' asks for the player's WebGL renderer instead of its
  // canvas one, and fails if the player falls back. init: a function run in
  // the page before its own scripts (playwright's addInitScript).
  async open(scenario, { width, height, renderer, init }) {
    const view = await this.newView(scenario, width, height);
    if (init) await view.page.addInitScript(init);
    const query = new URLSearchParams({ movie: `${scenario}.swf`, w: width, h: height });
    if (renderer) query.set('renderer', renderer);
    await view.page.goto(`${this.server.origin}/player.html?${query}`);
    await view.waitForMetadata();
    assert.equal(view.renderer, renderer || 'canvas', `${scenario}: the player draws with its ${view.renderer} renderer`);
    return view;
  }

  // Opens url of the folder site, served as it is (as a user's http server
  // would), in a window of viewport: a page of the tools with its own player
  // element #player, of which the view takes its screenshots. touch: the
  // window is a phone's touch screen (Chromium's mobile emulation), which
  // view.swipe touches.
  async openSite(site, url, viewport = VIEWPORT, { touch = false } = {}) {
    const view = await this.newView(url.replace(/\W+/g, '-'));
    view.server = await new TestServer(null, { site }).start();
    if (touch) {
      view.cdp = await this.context.newCDPSession(view.page);
      await view.cdp.send('Emulation.setDeviceMetricsOverride', { ...viewport, deviceScaleFactor: 1, mobile: true });
      await view.cdp.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
    } else {
      await view.page.setViewportSize(viewport);
    }
    await view.page.goto(`${view.server.origin}/${url}`);
    view.element = view.page.locator('#player');
    await view.element.waitFor({ timeout: 15000 });
    return view;
  }

  // write() and open() in one.
  async play(scenario, size) {
    await this.write(scenario);
    return this.open(scenario, size);
  }

  // Waits until the server has seen a request beginning with prefix.
  async waitForRequest(prefix, timeout = 5000) {
    const seen = await poll(() => this.server.requestsTo(prefix)[0], timeout);
    const urls = this.server.requests.map((r) => r.url).filter((u) => !u.startsWith('/ruffle/'));
    assert.ok(seen, `no request to ${prefix} within ${timeout} ms; requests: ${urls.join(', ')}`);
    return seen;
  }
}

class MovieView {
  constructor(player, page, scenario, width, height) {
    this.player = player;
    this.page = page;
    this.scenario = scenario;
    this.width = width;
    this.height = height;
    this.problems = [];
    this.failureExpected = false;  // set by tests of the checks themselves
    this.shots = 0;
    page.on('pageerror', (error) => this.problems.push(`page error: ${error.message}`));
    this.renderer = null;  // as the player announces it before it loads the movie
    this.messages = [];  // every console message of the page, as "type: text"
    page.on('console', (message) => {
      const text = message.text();
      this.messages.push(`${message.type()}: ${text}`);
      const used = /Used renderer: ([\w-]+)/.exec(text);
      if (used) this.renderer = used[1];
      if (FAILURE_TEXTS.some((re) => re.test(text))) this.problems.push(`console: ${text}`);
    });
    page.on('crash', () => this.problems.push('the page crashed'));
  }

  async close() {
    if (!this.page.isClosed()) await this.page.close();
    if (this.server) await this.server.close();
  }

  // Console messages of the player that speak of a sound going wrong.
  soundTrouble() {
    return this.messages.filter((m) => /(sound|audio|adpcm)/i.test(m) && /(error|fail|invalid|unsupported|panic)/i.test(m));
  }

  // Fails if the player reported an error or shows its error screen.
  async assertHealthy() {
    let panic = null;
    if (new URL(this.page.url()).pathname === '/player.html') {
      panic = await this.page.evaluate(() => {
        const root = window.quillon.player && window.quillon.player.shadowRoot;
        const screen = root && root.querySelector('#panic');
        return screen ? screen.innerText.slice(0, 300) || 'error screen' : null;
      });
    }
    if (panic) this.problems.push(`the player shows its error screen: ${panic}`);
    if (this.problems.length) await this.fail('the player failed', `\n  ${this.problems.join('\n  ')}`);
  }

  async waitForMetadata(timeout = 15000) {
    this.metadata = await poll(async () => {
      await this.assertHealthy();
      return this.page.evaluate(() => window.quillon.metadata);
    }, timeout);
    assert.ok(this.metadata, `${this.scenario}: the player did not read the movie's header within ${timeout} ms`);
  }

  // A screenshot of the stage (or of the site's player element), decoded;
  // fails if the player reported an error.
  async screenshot() {
    await this.assertHealthy();
    const options = { animations: 'allow', caret: 'initial' };
    const png = await (this.element ? this.element.screenshot(options)
      : this.page.screenshot({ ...options, clip: { x: 0, y: 0, width: this.width, height: this.height } }));
    this.lastPng = png;
    return decodePng(png);
  }

  async saveScreenshot(label) {
    if (!this.lastPng) return null;
    const file = path.join(this.player.dir, `${this.scenario}-${label}-${++this.shots}.png`);
    fs.writeFileSync(file, this.lastPng);
    return file;
  }

  // Fails saying what went wrong and why, with the screenshot kept.
  async fail(what, why) {
    if (!this.failureExpected) this.player.failed = true;
    const file = await this.saveScreenshot(what.replace(/\W+/g, '-'));
    assert.fail(`${this.scenario}: ${what}: ${why}\n  screenshot: ${file}`);
  }

  // Takes screenshots until check(image) finds nothing wrong (returns null);
  // fails after timeout ms with what it found last. Returns the image.
  async until(what, check, timeout = 8000) {
    let why;
    const image = await poll(async () => {
      const shot = await this.screenshot();
      why = check(shot);
      return why ? null : shot;
    }, timeout);
    return image || this.fail(what, why);
  }

  // The points that image does not show in their colours within tolerance
  // (0-255 per channel), and whether the stage is blank; null if none.
  wrongPoints(image, points, tolerance) {
    assert.ok(points.length > 0, 'no points to sample');
    const wrong = [];
    for (const p of points) {
      assert.ok(p.x >= 0 && p.y >= 0 && p.x < image.width && p.y < image.height,
        `point (${p.x}, ${p.y}) is outside the ${image.width} x ${image.height} stage`);
      const at = (p.y * image.width + p.x) * 4;
      const seen = [image.data[at], image.data[at + 1], image.data[at + 2]];
      if (seen.some((v, i) => Math.abs(v - p.rgb[i]) > tolerance)) wrong.push(`(${p.x}, ${p.y}) shows ${hex(seen)}, expected ${hex(p.rgb)}`);
    }
    if (!wrong.length) return null;
    const { data } = image;
    // Blank: every pixel's red, green and blue those of the first.
    const blank = data.every((v, i) => i % 4 === 3 || v === data[i % 4]) ? `\n  the whole stage is ${hex([data[0], data[1], data[2]])} (blank)` : '';
    const more = wrong.length > 12 ? `\n  ... ${wrong.length - 12} more` : '';
    return `${wrong.length} points wrong${blank}\n  ${wrong.slice(0, 12).join('\n  ')}${more}`;
  }

  // Waits until every point shows its colour, then checks that they keep
  // it for stays ms (when given); fails after timeout ms with the colours
  // last seen.
  async waitFor(points, { stays = 0, ...options } = {}) {
    await this.waitForRest(points, { rest: 0, timeout: 5000, ...options });
    if (stays) await this.stays(points, stays, options);
  }

  // Checks that every point keeps its colour for duration ms.
  async stays(points, duration = 1000, { tolerance = 2, what = 'picture' } = {}) {
    let checks = 0;
    await poll(async () => {
      const wrong = this.wrongPoints(await this.screenshot(), points, tolerance);
      ++checks;
      if (wrong) await this.fail(`${what} changed after ${checks} checks`, wrong);
    }, duration, 100);
  }

  // Waits until every point shows its colour and keeps it for rest ms: the
  // movie has come to rest there. Unlike waitFor then stays, a picture that
  // the movie only passes through (a frame before the one it stops at that
  // looks the same at the points) is waited past, not taken for the end.
  async waitForRest(points, { rest = 500, timeout = 8000, tolerance = 2, what = 'expected picture' } = {}) {
    let since = null;
    await this.until(`${what} not ${rest ? 'at rest' : 'shown'} within ${timeout} ms`, (image) => {
      const wrong = this.wrongPoints(image, points, tolerance);
      since = wrong ? null : since ?? Date.now();
      if (!wrong && Date.now() - since >= rest) return null;
      return wrong || `the points kept their colours for less than ${rest} ms at a time`;
    }, timeout);
  }

  async click(x, y) {
    await this.page.mouse.click(x, y);
  }

  // One finger from (x1, y1) to (x2, y2) of the window in steps, as the
  // touch screen reports it (a page opened with touch).
  async swipe(x1, y1, x2, y2, steps = 8) {
    assert.ok(this.cdp, 'a swipe needs a page opened with touch');
    const touch = (type, touchPoints) => this.cdp.send('Input.dispatchTouchEvent', { type, touchPoints });
    await touch('touchStart', [{ x: x1, y: y1 }]);
    for (let i = 1; i <= steps; ++i) {
      await sleep(16);
      await touch('touchMove', [{ x: x1 + ((x2 - x1) * i) / steps, y: y1 + ((y2 - y1) * i) / steps }]);
    }
    await touch('touchEnd', []);
  }
}

module.exports = { Player, MovieView, point, poll, readMovie, sleep, tool };
