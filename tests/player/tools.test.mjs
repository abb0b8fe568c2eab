// The tools' movies in the real player: the demo is drawn and its buttons
// navigate; every slide of a quillon-slides deck looks like its PNG file or
// PDF page, and the PDF's web links open; a phone photo stored turned, and
// a picture in every format Chromium shows, shows as Chromium shows the
// file; a PowerPoint deck's pages show and its web link opens; a narrated
// deck moves on by itself; the viewer page fits a large deck into a small
// window.
// Run by CTest, which sets QUILLON_HOST, QUILLON_SWF_CHECK, QUILLON_TEST_PICTURE,
// QUILLON_SLIDES and QUILLON_DEMO;
// QUILLON_DEMO_SCREENSHOT names a file to keep the demo's first screenshot in: the
// README's docs/demo.png comes from
//   QUILLON_DEMO_SCREENSHOT=$PWD/docs/demo.png ctest --test-dir build -R tools.player
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { after, test } from 'node:test';

const require = createRequire(import.meta.url);
const { Player, readMovie } = require('./harness/player');
const { TestServer } = require('./harness/server');
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

// A test picture of the tools' tests (quillon-test-picture KIND W H ...ARGS),
// written into the player's folder as NAME.png: {file, rgb}.
function picture(name, kind, width, height, ...args) {
  const out = path.join(player.dir, name);
  execFileSync(tool('QUILLON_TEST_PICTURE'), [kind, String(width), String(height), ...args.map(String), out],
    { stdio: 'pipe' });
  return { file: `${out}.png`, rgb: fs.readFileSync(`${out}.rgb`) };
}

// ---- Comparing screenshots ------------------------------------------------

// The button row of quillon-slides and quillon-demo: count buttons in the
// bottom-right corner, side = clamp(min(w, h) / 12, 12, 48) pixels high.
// over: over the bottom-right corner of a width x height slide; under: in
// a strip under it, which stageHeight includes.
function buttonRow(width, height, count, place = 'over') {
  const side = Math.min(48, Math.max(12, Math.floor(Math.min(width, height) / 12)));
  const w = Math.floor((side * 3) / 2);
  const gap = Math.floor(side / 4);
  const x0 = width - gap - count * w - (count - 1) * gap;
  const y = place === 'under' ? height + gap : height - gap - side;
  return {
    stageHeight: place === 'under' ? height + side + 2 * gap : height,
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
function slidePictures(file, width) {
  const { tags, bitmaps } = readMovie(file, { pixels: true });
  return bitmaps.filter((b) => tags[b.tag].code === 20 && b.format === 3 && b.width === width)
    .map((b) => rgbOf({ data: b.rgba, width: b.width, height: b.height }));
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
  const slides = slidePictures(path.join(out, 'demo.swf'), W);
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
  const images = [picture('deck-0', 'stripes', W, H, 6, 0), picture('deck-1', 'gradient', W, H),
    picture('deck-2', 'stripes', W, H, 256, 1), picture('deck-3', 'photo', W, H)];
  const files = images.map((image) => image.file);
  execFileSync(slidesTool, ['--buttons', '--quiet', ...files, '-o', path.join(player.dir, 'deck.swf')],
    { stdio: 'pipe', timeout: 120000 });

  // The buttons in their strip under the slides: nothing covers a slide.
  const row = buttonRow(W, H, 4, 'under');
  const view = await player.open('deck', { width: W, height: row.stageHeight });
  assert.deepEqual(view.metadata, { width: W, height: row.stageHeight, frameRate: 1, numFrames: 4, swfVersion: 4 });
  const NEXT = row.centre(2);
  // Exact pictures, or at least this close (dB): the gradient, the photograph.
  const closeness = ['exact', 30, 'exact', 35];
  for (let i = 0; i < images.length; ++i) {
    if (i > 0) await view.click(NEXT.x, NEXT.y);
    await until(view, `deck slide ${i + 1}`, (shot) => {
      const { differing, psnr } = compare(shot, images[i].rgb, W, H, []);
      const ok = closeness[i] === 'exact' ? differing === 0 : psnr >= closeness[i];
      return { ok, why: `${differing} pixels differ, PSNR ${psnr.toFixed(1)} dB` };
    });
  }
  await view.close();
});

// A WAV file of a tone: 16-bit mono PCM.
function toneWav(seconds, rate, frequency) {
  const frames = Math.round(seconds * rate);
  const wav = Buffer.alloc(44 + frames * 2);
  wav.write('RIFF', 0, 'latin1');
  wav.writeUInt32LE(36 + frames * 2, 4);
  wav.write('WAVEfmt ', 8, 'latin1');
  wav.writeUInt32LE(16, 16);
  wav.writeUInt16LE(1, 20);
  wav.writeUInt16LE(1, 22);
  wav.writeUInt32LE(rate, 24);
  wav.writeUInt32LE(rate * 2, 28);
  wav.writeUInt16LE(2, 32);
  wav.writeUInt16LE(16, 34);
  wav.write('data', 36, 'latin1');
  wav.writeUInt32LE(frames * 2, 40);
  for (let i = 0; i < frames; ++i) wav.writeInt16LE(Math.round(6000 * Math.sin((2 * Math.PI * frequency * i) / rate)), 44 + i * 2);
  return wav;
}

test('a narrated deck moves on by itself as each narration ends', async () => {
  const slidesTool = tool('QUILLON_SLIDES');
  await player.start();
  const W = 160;
  const H = 120;
  const colours = [[200, 40, 40], [40, 120, 200], [60, 160, 60]];
  const seconds = [1.0, 1.5, 0.5];
  const narrations = [];
  const pictures = colours.map((colour, i) => {
    const narration = path.join(player.dir, `narration-${i}.wav`);
    fs.writeFileSync(narration, toneWav(seconds[i], 22050, 330 + 110 * i));
    narrations.push('--narration', narration);
    const hex = colour.map((c) => c.toString(16).padStart(2, '0')).join('');
    return picture(`narrated-${i}`, 'halves', W, H, hex, hex).file;
  });
  execFileSync(slidesTool, ['--quiet', '--fps', '10', ...narrations, ...pictures,
    '-o', path.join(player.dir, 'narrated.swf')], { stdio: 'pipe', timeout: 120000 });

  const view = await player.open('narrated', { width: W, height: H });
  // 10 + 15 + 5 frames: each slide as long as its narration.
  assert.deepEqual(view.metadata, { width: W, height: H, frameRate: 10, numFrames: 30, swfVersion: 4 });
  const shows = (n) => (shot) => {
    const at = (60 * shot.width + 80) * 4;
    const seen = [shot.data[at], shot.data[at + 1], shot.data[at + 2]];
    const ok = seen.every((v, k) => Math.abs(v - colours[n][k]) <= 2);
    return { ok, why: `the stage shows ${seen.join(', ')}, not slide ${n + 1}` };
  };
  await until(view, 'the first slide', shows(0));
  await until(view, 'the second slide after the first narration', shows(1));
  const second = Date.now();
  await until(view, 'the third slide after the second narration', shows(2));
  // The second slide stayed for its narration of 1.5 s (its start was seen
  // at most a few screenshots late).
  assert.ok(Date.now() - second >= 1000, `the second slide lasted ${Date.now() - second} ms`);
  // The deck stops on its last slide.
  await sleep(1000);
  await until(view, 'the third slide, still', shows(2), 0);
  const trouble = view.messages.filter((m) => /(sound|audio|adpcm)/i.test(m) && /(error|fail|invalid|unsupported|panic)/i.test(m));
  assert.deepEqual(trouble, [], 'the player reported trouble with the narrations');
  await view.close();
});

// Opens the viewer page at url of a folder served as it is, as a user's
// http server would, in a window of viewport (default the harness's), and
// runs fn(page, element, showing) with the page's player element;
// showing(what, check) takes screenshots of the element until check(shot)
// holds (15 s at most) and fails on a script error of the page.
async function viewerPage(site, url, viewport, fn) {
  const server = await new TestServer(null, { site }).start();
  const page = await player.context.newPage();
  const problems = [];
  page.on('pageerror', (error) => problems.push(error.message));
  try {
    if (viewport) await page.setViewportSize(viewport);
    await page.goto(`${server.origin}/${url}`);
    const element = page.locator('#player');
    await element.waitFor({ timeout: 15000 });
    await fn(page, element, async (what, check) => {
      const end = Date.now() + 15000;
      let last;
      for (;;) {
        last = check(decodePng(await element.screenshot()));
        if (last.ok || Date.now() > end) break;
        await sleep(100);
      }
      assert.deepEqual(problems, []);
      assert.ok(last.ok, `${what}: ${last.why}`);
    });
  } finally {
    await page.close();
    await server.close();
  }
}

test('the viewer page that quillon-demo writes plays the demo with its own copy of the player', async () => {
  const demo = tool('QUILLON_DEMO');
  await player.start();
  const out = path.join(player.dir, 'viewer-demo');
  execFileSync(demo, ['--quiet', out], { stdio: 'pipe', timeout: 120000 });
  await viewerPage(out, 'demo.html', null, async (page, element, showing) => {
    const box = await element.boundingBox();
    assert.deepEqual([box.width, box.height], [640, 480]);
    // It shows the first slide's picture (buttons and logo aside).
    const first = slidePictures(path.join(out, 'demo.swf'), 640)[0];
    const masks = [buttonRow(640, 480, 6).rect, { x1: 564, y1: 3, x2: 628, y2: 67 }];
    await showing('the viewer page shows the first slide', (shot) => {
      const { psnr } = compare(shot, first, 640, 480, masks);
      return { ok: psnr >= 30, why: `PSNR ${psnr.toFixed(1)} dB` };
    });
  });
});

// ---- PDF decks --------------------------------------------------------------

// A PDF of four 400 x 300 pixel pages, printed by the browser: distinct
// colours, blocks and text on each; web links on pages 1 and 2, a link to
// page 3 on page 2, a script link on page 4.
async function printPdf(file, origin) {
  const block = (x, y, w, h, colour) =>
    `<div style="position:absolute;left:${x}px;top:${y}px;width:${w}px;height:${h}px;background:${colour}"></div>`;
  const link = (href, x, y, w, h) =>
    `<a href="${href}" style="position:absolute;display:block;left:${x}px;top:${y}px;width:${w}px;height:${h}px;background:#0050c0"></a>`;
  const page = (n, background, extra) => `<section id="p${n}" style="background:${background}">
    <h1>Slide ${n}</h1>${block(30, 110, 110, 60, '#d04020')}${block(160, 110, 90, 60, '#30a050')}${extra}</section>`;
  const html = `<!doctype html><html><head><style>
    @page { size: 400px 300px; margin: 0 }
    html, body { margin: 0 }
    section { position: relative; width: 400px; height: 300px; overflow: hidden; page-break-after: always;
      font: bold 28px sans-serif; color: #202840 }
    h1 { margin: 0; padding: 20px 30px; font-size: 28px }
    </style></head><body>
    ${page(1, 'linear-gradient(135deg, #f8f0e0, #a0c0f0)', link(`${origin}/pdf-link-one`, 40, 200, 120, 50))}
    ${page(2, '#fff8d0', link(`${origin}/pdf-link-two`, 250, 40, 100, 30) + link('#p3', 40, 200, 100, 40))}
    ${page(3, 'linear-gradient(90deg, #e0f0e0, #f0d0e0)', '')}
    ${page(4, '#e8e8ff', link('javascript:alert(1)', 40, 200, 100, 40))}
    </body></html>`;
  const tab = await player.context.newPage();
  try {
    await tab.setContent(html);
    fs.writeFileSync(file, await tab.pdf({ width: '400px', height: '300px', printBackground: true }));
  } finally {
    await tab.close();
  }
}

// A page of the PDF as pdftocairo (poppler-utils) draws it, as RGB.
function renderPage(file, page, width, height) {
  const prefix = `${file}-page${page}`;
  execFileSync('pdftocairo', ['-png', '-f', String(page), '-l', String(page), '-scale-to-x', String(width),
    '-scale-to-y', String(height), '-singlefile', file, prefix], { stdio: 'pipe' });
  return rgbOf(decodePng(fs.readFileSync(`${prefix}.png`)));
}

test('a PDF deck: slides look like their pages and the web links open', async () => {
  const slidesTool = tool('QUILLON_SLIDES');
  await player.start();
  const pdf = path.join(player.dir, 'talk.pdf');
  await printPdf(pdf, player.server.origin);
  const run = spawnSync(slidesTool, ['--buttons', '--quiet', pdf, '-o', path.join(player.dir, 'pdf-deck.swf')],
    { encoding: 'utf8', timeout: 120000 });
  assert.equal(run.status, 0, run.stderr);
  // 300 x 225 points: 1024 x 768 pixels.
  const W = 1024;
  const H = 768;
  assert.match(run.stderr, /talk\.pdf: 1 link to a page inside the document is not kept/);
  assert.match(run.stderr, /talk\.pdf: page 4: the link to javascript:alert\(1\) is not kept/);

  const row = buttonRow(W, H, 4, 'under');
  const view = await player.open('pdf-deck', { width: W, height: row.stageHeight });
  assert.deepEqual(view.metadata, { width: W, height: row.stageHeight, frameRate: 1, numFrames: 4, swfVersion: 4 });
  const NEXT = row.centre(2);
  const scale = W / 400;
  for (let page = 1; page <= 4; ++page) {
    if (page > 1) await view.click(NEXT.x, NEXT.y);
    const rgb = renderPage(pdf, page, W, H);
    await until(view, `PDF page ${page}`, (shot) => {
      const { psnr } = compare(shot, rgb, W, H, []);
      return { ok: psnr >= 35, why: `PSNR ${psnr.toFixed(1)} dB against pdftocairo's page` };
    });
    if (page === 1) {
      await view.click(Math.round(100 * scale), Math.round(225 * scale));
      await player.waitForRequest('/pdf-link-one');
    }
    if (page === 2) {
      await view.click(Math.round(300 * scale), Math.round(55 * scale));
      await player.waitForRequest('/pdf-link-two');
    }
  }
  await view.close();
});

// ---- Photographs and presentations -------------------------------------------

// What each photograph row stores (quillon-test-picture's FORM: the file
// kind, the EXIF orientation it is stored turned by, the profile it is
// converted to and tagged with), or an SVG drawing; and how close (dB) the
// slide must come to Chromium's rendering of the same file. libvips writes
// the GIF with at most 256 colours, dithered; Chromium and the slide show
// the same palette entries, so the GIF is held to the same bound.
const photoRows = [
  { name: 'turned-6', form: 'jpg:6', dB: 35 }, // a quarter turned clockwise to show
  { name: 'turned-3', form: 'jpg:3', dB: 35 }, // upside down
  { name: 'mirrored-2', form: 'jpg:2', dB: 35 }, // mirrored left to right
  { name: 'mirrored-5', form: 'jpg:5', dB: 35 }, // mirrored across the main diagonal
  { name: 'turned-8', form: 'jpg:8', dB: 35 }, // a quarter turned anticlockwise to show
  { name: 'p3', form: 'jpg:1:p3', dB: 35 }, // Display P3, its profile embedded
  { name: 'plain', form: 'png', dB: 35 },
  { name: 'web', form: 'webp', dB: 35 },
  { name: 'animated', form: 'gif', dB: 35 },
  { name: 'drawing', svg: true, dB: 35 },
];

// An SVG drawing of width x height: a sky gradient, a sun, a hill, a path.
function drawing(width, height) {
  return `<svg xmlns="http://www.w3.org/2000/svg" width="${width}" height="${height}">
<defs><linearGradient id="sky" x1="0" y1="0" x2="1" y2="1">
<stop offset="0" stop-color="#f0c080"/><stop offset="1" stop-color="#3060a0"/></linearGradient></defs>
<rect width="${width}" height="${height}" fill="url(#sky)"/>
<circle cx="${width * 0.3}" cy="${height * 0.35}" r="${height * 0.15}" fill="#d03020"/>
<path d="M0 ${height * 0.8} Q${width * 0.5} ${height * 0.55} ${width} ${height * 0.8} V${height} H0 Z" fill="#205020"/>
<path d="M${width * 0.6} ${height * 0.2} L${width * 0.9} ${height * 0.45}" stroke="#fff" stroke-width="6"/>
</svg>
`;
}

// Chromium's own rendering of a picture file in <img>, orientation and
// colour profile applied, as RGB.
async function browserRendering(name, width, height) {
  const page = await player.context.newPage();
  try {
    await page.setViewportSize({ width: 400, height: 400 });
    await page.setContent(`<body style="margin:0"><img id="photo" src="${player.server.origin}/movies/${name}"></body>`);
    await page.waitForFunction(() => document.getElementById('photo').complete);
    const size = await page.evaluate(() => [document.getElementById('photo').width, document.getElementById('photo').height]);
    assert.deepEqual(size, [width, height], `Chromium shows ${name} upright`);
    return rgbOf(decodePng(await page.locator('#photo').screenshot()));
  } finally {
    await page.close();
  }
}

test('a phone photo stored turned shows upright, as the browser shows the same file', async () => {
  const slidesTool = tool('QUILLON_SLIDES');
  await player.start();
  const W = 320;
  const H = 240;
  const results = [];
  for (const row of photoRows) {
    let file;
    if (row.svg) {
      file = `${row.name}.svg`;
      fs.writeFileSync(path.join(player.dir, file), drawing(W, H));
    } else {
      const [ext] = row.form.split(':');
      execFileSync(tool('QUILLON_TEST_PICTURE'), ['photo', String(W), String(H), row.form, path.join(player.dir, row.name)],
        { stdio: 'pipe' });
      file = `${row.name}.${ext}`;
    }
    const reference = await browserRendering(file, W, H);
    execFileSync(slidesTool, ['--quiet', path.join(player.dir, file), '-o', path.join(player.dir, `${row.name}.swf`)],
      { stdio: 'pipe', timeout: 120000 });
    const view = await player.open(row.name, { width: W, height: H });
    assert.deepEqual(view.metadata, { width: W, height: H, frameRate: 1, numFrames: 1, swfVersion: 4 });
    let psnr;
    await until(view, `${file} upright`, (shot) => {
      ({ psnr } = compare(shot, reference, W, H, []));
      return { ok: psnr >= row.dB, why: `PSNR ${psnr.toFixed(1)} dB against Chromium's rendering of the file` };
    });
    results.push(`${file} ${psnr.toFixed(1)} dB`);
    await view.close();
  }
  console.log(`against Chromium: ${results.join(', ')}`);
});

// The flat OpenDocument deck of the tools' tests (LibreOffice makes the PPTX
// from it): a navy first page with a web link, a white second page.
function flatDeck(link) {
  return fs.readFileSync(new URL('../../tools/tests/data/deck.fodp', import.meta.url), 'utf8')
    .replace('@LINK@', link);
}

test('a PowerPoint deck: slides look like its pages and the web link opens', async () => {
  const slidesTool = tool('QUILLON_SLIDES');
  await player.start();
  const dir = path.join(player.dir, 'office');
  fs.mkdirSync(dir);
  fs.writeFileSync(path.join(dir, 'deck.fodp'), flatDeck(`${player.server.origin}/pptx-link`));
  const soffice = (format, file) => execFileSync('soffice', ['--headless', '--norestore',
    `-env:UserInstallation=file://${dir}/profile`, '--convert-to', format, '--outdir', dir, file],
  { stdio: 'pipe', timeout: 180000 });
  soffice('pptx', path.join(dir, 'deck.fodp'));
  const pptx = path.join(dir, 'deck.pptx');
  // The pages and the link's place as LibreOffice prints the PPTX itself.
  soffice('pdf', pptx);
  const pdf = path.join(dir, 'deck.pdf');
  const text = fs.readFileSync(pdf, 'latin1');
  const box = text.match(/\/MediaBox\s*\[\s*([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s*\]/).slice(1).map(Number);
  const rect = text.match(/\/Rect\s*\[\s*([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s*\]/).slice(1).map(Number);

  const run = spawnSync(slidesTool, ['--buttons', '--quiet', pptx, '-o', path.join(player.dir, 'pptx-deck.swf')],
    { encoding: 'utf8', timeout: 180000 });
  assert.equal(run.status, 0, run.stderr);
  const W = 1024;
  const scale = W / (box[2] - box[0]);
  const H = Math.round((box[3] - box[1]) * scale);
  const row = buttonRow(W, H, 4, 'under');
  const view = await player.open('pptx-deck', { width: W, height: row.stageHeight });
  assert.deepEqual(view.metadata, { width: W, height: row.stageHeight, frameRate: 1, numFrames: 2, swfVersion: 4 });
  const NEXT = row.centre(2);
  for (let p = 1; p <= 2; ++p) {
    if (p > 1) await view.click(NEXT.x, NEXT.y);
    const rgb = renderPage(pdf, p, W, H);
    await until(view, `PPTX page ${p}`, (shot) => {
      const { psnr } = compare(shot, rgb, W, H, []);
      return { ok: psnr >= 35, why: `PSNR ${psnr.toFixed(1)} dB against pdftocairo's page` };
    });
    if (p === 1) {
      // The middle of the link's rectangle (PDF points, from the bottom).
      const x = Math.round(((rect[0] + rect[2]) / 2 - box[0]) * scale);
      const y = Math.round((box[3] - (rect[1] + rect[3]) / 2) * scale);
      await view.click(x, y);
      await player.waitForRequest('/pptx-link');
    }
  }
  await view.close();
});

// ---- The viewer page on a small screen ----------------------------------------

test('the viewer page fits a 1920 x 1080 deck into a 1366 x 768 window, buttons and all', async () => {
  const slidesTool = tool('QUILLON_SLIDES');
  await player.start();
  const W = 1920;
  const H = 1080;
  const site = path.join(player.dir, 'site');
  const deck = path.join(site, 'deck');
  fs.mkdirSync(deck, { recursive: true });
  // The player lives elsewhere on the site; the page loads it from there.
  fs.cpSync(path.dirname(require.resolve('@ruffle-rs/ruffle/package.json')),
    path.join(site, 'player'), { recursive: true });
  // Three slides of flat colours: a top half and a bottom half.
  const colours = [[[200, 40, 40], [250, 240, 200]], [[40, 120, 200], [220, 250, 220]], [[60, 160, 60], [60, 40, 90]]];
  const hex = (rgb) => rgb.map((c) => c.toString(16).padStart(2, '0')).join('');
  const files = colours.map(([top, bottom], i) => picture(`big-${i}`, 'halves', W, H, hex(top), hex(bottom)).file);
  execFileSync(slidesTool, ['--buttons=over', '--html', '--quiet', '--player-url', '../player/', ...files,
    '-o', path.join(deck, 'big.swf')], { stdio: 'pipe', timeout: 120000 });
  assert.ok(!fs.existsSync(path.join(deck, 'ruffle')), 'the page loads the player from --player-url, not a copy');

  await viewerPage(site, 'deck/big.html', { width: 1366, height: 768 }, async (page, element, showing) => {
    const box = await element.boundingBox();
    // The whole stage in the window, at the stage's proportions, without scrolling.
    assert.ok(box.x >= 0 && box.y >= 0 && box.x + box.width <= 1366 && box.y + box.height <= 768,
      `the player at ${JSON.stringify(box)} is not inside the window`);
    assert.ok(Math.abs(box.width / box.height - W / H) < 0.01, `the player is ${box.width} x ${box.height}`);
    assert.ok(box.width >= 1360, `the player is ${box.width} wide, not as wide as the window allows`);
    const scroll = await page.evaluate(() => [document.scrollingElement.scrollWidth, document.scrollingElement.scrollHeight]);
    assert.deepEqual(scroll, [1366, 768]);

    const k = box.width / W;
    // Sample points away from the buttons: the middle of each half, left and right.
    const at = (x, y) => ({ x: Math.round(x * k), y: Math.round(y * k) });
    const points = [[at(300, 270), 0], [at(1500, 270), 0], [at(300, 810), 1], [at(960, 810), 1]];
    const slide = (i) => (shot) => {
      const wrong = points.filter(([p, half]) => {
        const s = (p.y * shot.width + p.x) * 4;
        return colours[i][half].some((c, ch) => Math.abs(shot.data[s + ch] - c) > 3);
      });
      return { ok: wrong.length === 0, why: `${wrong.length} of ${points.length} points differ from slide ${i + 1}` };
    };
    // The first slide at once, with nothing over it.
    await showing('the first slide', slide(0));
    // "next", where it is drawn, clicked without scrolling.
    const next = buttonRow(W, H, 4).centre(2);
    await page.mouse.click(box.x + next.x * k, box.y + next.y * k);
    await showing('the second slide after next', slide(1));
    const previous = buttonRow(W, H, 4).centre(1);
    await page.mouse.click(box.x + previous.x * k, box.y + previous.y * k);
    await page.mouse.click(box.x + previous.x * k, box.y + previous.y * k);
    await showing('the last slide after previous on the first', slide(2));
  });
});
