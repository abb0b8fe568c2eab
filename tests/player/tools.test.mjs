// The tools' movies in the real player: the demo is drawn and its buttons
// navigate; every slide of a quillon-slides deck looks like its PNG file.
// Run by CTest, which sets QUILLON_HOST, QUILLON_SLIDES and QUILLON_DEMO;
// QUILLON_DEMO_SCREENSHOT names a file to keep the demo's first screenshot in: the
// README's docs/demo.png comes from
//   QUILLON_DEMO_SCREENSHOT=$PWD/docs/demo.png ctest --test-dir build -R tools.player
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import http from 'node:http';
import path from 'node:path';
import { after, test } from 'node:test';
import zlib from 'node:zlib';

const require = createRequire(import.meta.url);
const { Player } = require('./harness/player');
const { decodePng } = require('./harness/png');

const player = new Player();
after(() => player.stop());

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function tool(name) {
  const file = process.env[name];
  assert.ok(file, `${name} must name the tool to run (CTest sets it)`);
  assert.ok(fs.existsSync(file), `${name} ${file} does not exist`);
  return file;
}

// ---- PNG files for the deck ---------------------------------------------

function chunk(type, body) {
  const head = Buffer.alloc(8);
  head.writeUInt32BE(body.length, 0);
  head.write(type, 4, 'latin1');
  const crc = Buffer.alloc(4);
  crc.writeUInt32BE(zlib.crc32(Buffer.concat([head.subarray(4), body])) >>> 0, 0);
  return Buffer.concat([head, body, crc]);
}

// pixels: width x height RGB triples, or palette indexes when palette is given.
function encodePng(width, height, pixels, palette) {
  const ihdr = Buffer.alloc(13);
  ihdr.writeUInt32BE(width, 0);
  ihdr.writeUInt32BE(height, 4);
  ihdr[8] = 8;
  ihdr[9] = palette ? 3 : 2;
  const bytesPerPixel = palette ? 1 : 3;
  const raw = Buffer.alloc(height * (1 + width * bytesPerPixel));
  for (let y = 0; y < height; ++y) {
    const row = y * (1 + width * bytesPerPixel);
    pixels.copy(raw, row + 1, y * width * bytesPerPixel, (y + 1) * width * bytesPerPixel);
  }
  const parts = [Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]), chunk('IHDR', ihdr)];
  if (palette) parts.push(chunk('PLTE', palette));
  parts.push(chunk('IDAT', zlib.deflateSync(raw)), chunk('IEND', Buffer.alloc(0)));
  return Buffer.concat(parts);
}

// A picture as RGB triples, and how to write it.
function paletteSlide(width, height, colours, seed) {
  const palette = Buffer.alloc(colours * 3);
  for (let i = 0; i < colours; ++i) {
    palette[i * 3] = (i * 71 + seed * 40) & 255;
    palette[i * 3 + 1] = (255 - i * 29 - seed * 13) & 255;
    palette[i * 3 + 2] = (i * 113 + seed * 90) & 255;
  }
  const indexes = Buffer.alloc(width * height);
  const rgb = Buffer.alloc(width * height * 3);
  for (let y = 0; y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      // Blocks of 8 x 8 pixels, with a one-pixel grid: sharp edges everywhere.
      const i = (x % 8 === 0 || y % 8 === 0) ? 0 : (1 + ((x >> 3) + (y >> 3) * 5)) % colours;
      indexes[y * width + x] = i;
      palette.copy(rgb, (y * width + x) * 3, i * 3, i * 3 + 3);
    }
  }
  return { rgb, png: encodePng(width, height, indexes, palette) };
}

function gradientSlide(width, height) {
  const rgb = Buffer.alloc(width * height * 3);
  for (let y = 0; y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      const at = (y * width + x) * 3;
      rgb[at] = Math.round((x * 255) / (width - 1));
      rgb[at + 1] = Math.round((y * 255) / (height - 1));
      rgb[at + 2] = Math.round(128 + 127 * Math.sin((x + y) / 40));
    }
  }
  return { rgb, png: encodePng(width, height, rgb, null) };
}

// ---- Comparing screenshots ------------------------------------------------

// The button row of quillon-slides and quillon-demo: count buttons in the
// bottom-right corner, side = clamp(min(w, h) / 12, 12, 48) pixels high.
function buttonRow(width, height, count) {
  const side = Math.min(48, Math.max(12, Math.floor(Math.min(width, height) / 12)));
  const w = Math.floor((side * 3) / 2);
  const gap = Math.floor(side / 4);
  const x0 = width - gap - count * w - (count - 1) * gap;
  const y = height - gap - side;
  return {
    rect: { x1: x0, y1: y, x2: width - gap, y2: y + side },
    centre: (i) => ({ x: x0 + i * (w + gap) + Math.floor(w / 2), y: y + Math.floor(side / 2) }),
  };
}

const inside = (r, x, y) => x >= r.x1 && x < r.x2 && y >= r.y1 && y < r.y2;

// Compares a screenshot with an RGB picture outside the masked rectangles:
// the number of differing pixels and the PSNR in dB.
function compare(shot, rgb, width, height, masks) {
  let differing = 0;
  let squares = 0;
  let samples = 0;
  for (let y = 0; y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      if (masks.some((m) => inside(m, x, y))) continue;
      const s = (y * shot.width + x) * 4;
      const p = (y * width + x) * 3;
      let same = true;
      for (let c = 0; c < 3; ++c) {
        const d = shot.data[s + c] - rgb[p + c];
        squares += d * d;
        if (d !== 0) same = false;
      }
      samples += 3;
      if (!same) ++differing;
    }
  }
  const mse = squares / samples;
  return { differing, psnr: mse === 0 ? Infinity : 10 * Math.log10((255 * 255) / mse) };
}

function distinctColours(shot) {
  const seen = new Set();
  for (let i = 0; i < shot.data.length; i += 4) {
    seen.add((shot.data[i] << 16) | (shot.data[i + 1] << 8) | shot.data[i + 2]);
  }
  return seen.size;
}

// Takes screenshots until test(shot) holds; fails with the last result.
async function until(view, what, check, timeout = 8000) {
  const end = Date.now() + timeout;
  let last;
  for (;;) {
    await view.assertHealthy();
    const shot = await view.screenshot();
    last = check(shot);
    if (last.ok) return shot;
    if (Date.now() > end) break;
    await sleep(60);
  }
  player.failed = true;
  const file = await view.saveScreenshot(what.replace(/\W+/g, '-'));
  assert.fail(`${what}: ${last.why}; screenshot ${file}`);
}

// ---- The demo's slide pictures, read from the movie -----------------------

// The 8-bit slide bitmaps (DefineBitsLossless of the stage's width) as RGB.
function slidePictures(bytes, width, height) {
  const bits = bytes[8] >> 3;
  let at = 8 + Math.ceil((5 + 4 * bits) / 8) + 4;
  const slides = [];
  while (at + 2 <= bytes.length) {
    const head = bytes.readUInt16LE(at);
    at += 2;
    const code = head >> 6;
    let length = head & 0x3f;
    if (length === 0x3f) {
      length = bytes.readUInt32LE(at);
      at += 4;
    }
    const body = bytes.subarray(at, at + length);
    at += length;
    if (code === 0) break;
    if (code !== 20 || body[2] !== 3 || body.readUInt16LE(3) !== width) continue;
    const colours = body[7] + 1;
    const raw = zlib.inflateSync(body.subarray(8));
    const rowBytes = Math.ceil(width / 4) * 4;
    const rgb = Buffer.alloc(width * height * 3);
    for (let y = 0; y < height; ++y) {
      for (let x = 0; x < width; ++x) {
        const index = raw[colours * 3 + y * rowBytes + x];
        raw.copy(rgb, (y * width + x) * 3, index * 3, index * 3 + 3);
      }
    }
    slides.push(rgb);
  }
  return slides;
}

// ---- Tests ----------------------------------------------------------------

test('the demo is drawn, and its buttons and link navigate', async () => {
  const demo = tool('QUILLON_DEMO');
  await player.start();
  const out = path.join(player.dir, 'demo-files');
  execFileSync(demo, ['--quiet', out], { stdio: 'pipe', timeout: 120000 });
  fs.copyFileSync(path.join(out, 'demo.swf'), path.join(player.dir, 'demo.swf'));
  const W = 640;
  const H = 480;
  const slides = slidePictures(fs.readFileSync(path.join(out, 'demo.swf')), W, H);
  assert.equal(slides.length, 5, 'the demo has five slide pictures');

  const view = await player.open('demo', { width: W, height: H });
  assert.deepEqual(view.metadata, { width: W, height: H, frameRate: 12, numFrames: 65, swfVersion: 4 });

  // Buttons (play, stop, first, previous, next, last) and the logo are not
  // part of the slide pictures; neither are the overlays of slide 2.
  const row = buttonRow(W, H, 6);
  const logo = { x1: W - 76, y1: 3, x2: W - 12, y2: 67 };
  const masks = [row.rect, logo];
  // What each slide shows over its picture: slide 2 the info overlay and the
  // sprite where it starts, slide 4 the animated outlines and boxes.
  const overlays = {
    2: [{ x1: 330, y1: 364, x2: 610, y2: 412 }, { x1: 20, y1: 210, x2: 68, y2: 258 }],
    4: [{ x1: 36, y1: 156, x2: 604, y2: 364 }],
  };
  const [PLAY, STOP, FIRST, PREVIOUS, NEXT, LAST] = [0, 1, 2, 3, 4, 5].map(row.centre);

  // The slide the player shows: the one whose picture is closest, and close.
  const showing = (n) => (shot) => {
    const scores = slides.map((rgb) => compare(shot, rgb, W, H, masks.concat(overlays[n] || [])).psnr);
    const best = scores.indexOf(Math.max(...scores));
    const ok = best === n - 1 && scores[best] >= 30;
    return { ok, why: `slide ${best + 1} is closest (PSNR ${scores.map((s) => s.toFixed(1)).join(', ')})` };
  };

  const first = await until(view, 'slide 1 at the start', showing(1));
  assert.ok(distinctColours(first) > 40, 'the demo is not blank');
  const shot = process.env.QUILLON_DEMO_SCREENSHOT || path.join(player.dir, 'demo.png');
  fs.writeFileSync(shot, view.lastPng);

  await view.click(NEXT.x, NEXT.y);
  await until(view, 'slide 2 after next', showing(2));
  // Play moves the sprite until the pause button stops it halfway.
  const before = await view.screenshot();
  await view.click(PLAY.x, PLAY.y);
  await until(view, 'the sprite moving after play', (s) => {
    const d = compare(s, rgbOf(before), W, H, masks).differing;
    return { ok: d > 500, why: `${d} pixels changed` };
  });

  await view.click(NEXT.x, NEXT.y);
  await until(view, 'slide 3 after next', showing(3));
  // The hyperlink area opens about.html.
  await view.click(320, 265);
  await player.waitForRequest('/about.html');

  await view.click(LAST.x, LAST.y);
  await until(view, 'slide 5 after last', showing(5));
  await view.click(PREVIOUS.x, PREVIOUS.y);
  const still = await until(view, 'slide 4 after previous', showing(4));

  // Play animates the rubber outlines and the attractor; stop holds them.
  await view.click(PLAY.x, PLAY.y);
  const animated = await until(view, 'the animated lists moving after play', (s) => {
    const d = compare(s, rgbOf(still), W, H, masks).differing;
    return { ok: d > 200, why: `${d} pixels changed` };
  });
  assert.ok(animated);
  await view.click(STOP.x, STOP.y);
  await sleep(300);
  const held = await view.screenshot();
  await sleep(600);
  const later = await view.screenshot();
  assert.equal(compare(later, rgbOf(held), W, H, masks).differing, 0, 'stop holds the animation');

  await view.click(FIRST.x, FIRST.y);
  await until(view, 'slide 1 after first', showing(1));
  await view.click(PREVIOUS.x, PREVIOUS.y);
  await until(view, 'slide 5 after previous on the first slide', showing(5));
  await view.click(NEXT.x, NEXT.y);
  await until(view, 'slide 1 after next on the last slide', showing(1));
  await view.close();
});

// A screenshot's pixels as RGB triples.
function rgbOf(shot) {
  const rgb = Buffer.alloc(shot.width * shot.height * 3);
  for (let i = 0, j = 0; i < shot.data.length; i += 4, j += 3) {
    rgb[j] = shot.data[i];
    rgb[j + 1] = shot.data[i + 1];
    rgb[j + 2] = shot.data[i + 2];
  }
  return rgb;
}

test('every slide of a quillon-slides deck looks like its PNG', async () => {
  const slidesTool = tool('QUILLON_SLIDES');
  await player.start();
  const W = 320;
  const H = 240;
  const images = [paletteSlide(W, H, 6, 0), gradientSlide(W, H), paletteSlide(W, H, 256, 1)];
  const files = images.map((image, i) => {
    const file = path.join(player.dir, `deck-${i}.png`);
    fs.writeFileSync(file, image.png);
    return file;
  });
  execFileSync(slidesTool, ['--buttons', '--quiet', ...files, '-o', path.join(player.dir, 'deck.swf')],
    { stdio: 'pipe', timeout: 120000 });

  const view = await player.open('deck', { width: W, height: H });
  assert.deepEqual(view.metadata, { width: W, height: H, frameRate: 1, numFrames: 3, swfVersion: 4 });
  const row = buttonRow(W, H, 4);
  const NEXT = row.centre(2);
  const exact = [true, false, true];
  for (let i = 0; i < images.length; ++i) {
    if (i > 0) await view.click(NEXT.x, NEXT.y);
    await until(view, `deck slide ${i + 1}`, (shot) => {
      const { differing, psnr } = compare(shot, images[i].rgb, W, H, [row.rect]);
      const ok = exact[i] ? differing === 0 : psnr >= 30;
      return { ok, why: `${differing} pixels differ, PSNR ${psnr.toFixed(1)} dB` };
    });
  }
  await view.close();
});

// Serves a folder's files as they are, as a user's http server would.
async function serveFolder(dir) {
  const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
    '.swf': 'application/x-shockwave-flash', '.wav': 'audio/wav' };
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, 'http://127.0.0.1').pathname);
    const file = path.join(dir, path.normalize(name));
    if (!file.startsWith(dir + path.sep) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      res.writeHead(404);
      res.end();
      return;
    }
    res.writeHead(200, { 'content-type': types[path.extname(file)] || 'application/octet-stream' });
    res.end(fs.readFileSync(file));
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { server, origin: `http://127.0.0.1:${server.address().port}` };
}

test('the viewer page that quillon-demo writes plays the demo with its own copy of the player', async () => {
  const demo = tool('QUILLON_DEMO');
  await player.start();
  const out = path.join(player.dir, 'viewer-demo');
  execFileSync(demo, ['--quiet', out], { stdio: 'pipe', timeout: 120000 });
  const { server, origin } = await serveFolder(out);
  const page = await player.context.newPage();
  const problems = [];
  page.on('pageerror', (error) => problems.push(error.message));
  try {
    await page.goto(`${origin}/demo.html`);
    const element = page.locator('#player');
    await element.waitFor({ timeout: 15000 });
    const box = await element.boundingBox();
    assert.deepEqual([box.width, box.height], [640, 480]);
    // It shows the first slide's picture (buttons and logo aside).
    const first = slidePictures(fs.readFileSync(path.join(out, 'demo.swf')), 640, 480)[0];
    const masks = [buttonRow(640, 480, 6).rect, { x1: 564, y1: 3, x2: 628, y2: 67 }];
    const end = Date.now() + 15000;
    let psnr = 0;
    while (Date.now() < end && psnr < 30) {
      const shot = decodePng(await element.screenshot());
      psnr = compare(shot, first, 640, 480, masks).psnr;
      if (psnr < 30) await sleep(100);
    }
    assert.deepEqual(problems, []);
    assert.ok(psnr >= 30, `the viewer page does not show the first slide (PSNR ${psnr.toFixed(1)} dB)`);
  } finally {
    await page.close();
    server.close();
  }
});
