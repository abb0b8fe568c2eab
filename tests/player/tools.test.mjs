// The tools' movies in the real player: the demo and its viewer page; decks
// of PNG files, a PDF, photographs and pictures of every format Chromium
// shows, a PowerPoint deck, a narrated deck; the viewer page of a large deck
// in a small window.
// Run by CTest, which names the programs in QUILLON_* variables.
// QUILLON_DEMO_SCREENSHOT names a file to keep the demo's first screenshot
// in: the README's docs/demo.png comes from
//   QUILLON_DEMO_SCREENSHOT=$PWD/docs/demo.png ctest --test-dir build -R tools.player
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { after } from 'node:test';

const require = createRequire(import.meta.url);
const { Player, point, poll, readMovie, sleep, tool } = require('./harness/player');
const { decodePng } = require('./harness/png');

const player = new Player();
after(() => player.stop());
// The tools take their time: no time limit but CTest's.
const test = (name, fn) => player.test(name, fn, { timeout: Infinity });

// ---- Making and opening the movies ------------------------------------------

// A test picture of the tools' tests (quillon-test-picture KIND W H ...ARGS),
// written into the player's folder as NAME.png (or NAME.EXT of a FORM
// argument): {file, rgb}, rgb the picture it shows.
function picture(name, kind, width, height, ...args) {
  const out = path.join(player.dir, name);
  execFileSync(tool('QUILLON_TEST_PICTURE'), [kind, width, height, ...args, out].map(String), { stdio: 'pipe' });
  return { file: `${out}.png`, rgb: fs.readFileSync(`${out}.rgb`) };
}

// A picture of two flat colours ([r, g, b]): a top half and a bottom half.
function halves(name, width, height, top, bottom) {
  const hex = (rgb) => rgb.map((c) => c.toString(16).padStart(2, '0')).join('');
  return picture(name, 'halves', width, height, hex(top), hex(bottom));
}

// Runs quillon-slides --quiet ARGS, writing the movie out (a path, or a
// name in the player's folder); returns what it said on stderr.
function slides(args, out) {
  const run = spawnSync(tool('QUILLON_SLIDES'), ['--quiet', ...args, '-o', path.resolve(player.dir, out)],
    { encoding: 'utf8', timeout: 180000 });
  assert.equal(run.status, 0, run.stderr);
  return run.stderr;
}

// Writes quillon-demo's files into the player's folder NAME; returns the folder.
function demo(name) {
  const out = path.join(player.dir, name);
  execFileSync(tool('QUILLON_DEMO'), ['--quiet', out], { stdio: 'pipe', timeout: 120000 });
  return out;
}

// Opens NAME.swf of the player's folder on a width x height stage and checks
// its header as the player reads it.
async function openMovie(name, width, height, frameRate, numFrames) {
  const view = await player.open(name, { width, height });
  assert.deepEqual(view.metadata, { width, height, frameRate, numFrames, swfVersion: 4 });
  return view;
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

// What the demo's slide pictures leave out: its buttons (play, stop, first,
// previous, next, last) and its logo.
const DEMO_MASKS = [buttonRow(640, 480, 6).rect, { x1: 564, y1: 3, x2: 628, y2: 67 }];

// Compares a screenshot with an RGB picture as wide as the screenshot (and
// as high as the picture) outside the masked rectangles: the number of
// differing pixels and the PSNR in dB.
function compare(shot, rgb, masks = []) {
  let differing = 0;
  let squares = 0;
  let samples = 0;
  for (let p = 0; p < rgb.length / 3; ++p) {
    const x = p % shot.width;
    const y = Math.floor(p / shot.width);
    if (masks.some((m) => x >= m.x1 && x < m.x2 && y >= m.y1 && y < m.y2)) continue;
    let same = true;
    for (let c = 0; c < 3; ++c) {
      const d = shot.data[p * 4 + c] - rgb[p * 3 + c];
      squares += d * d;
      same = same && d === 0;
    }
    samples += 3;
    if (!same) ++differing;
  }
  const mse = squares / samples;
  return { differing, psnr: mse === 0 ? Infinity : 10 * Math.log10((255 * 255) / mse) };
}

// A screenshot's pixels as RGB triples.
function rgbOf(shot) {
  const rgb = Buffer.alloc(shot.width * shot.height * 3);
  for (let p = 0; p < shot.width * shot.height; ++p) shot.data.copy(rgb, p * 3, p * 4, p * 4 + 3);
  return rgb;
}

// Waits until the stage shows the RGB picture outside the masks: exactly
// when dB is 'exact', else with a PSNR of dB at least. Returns the PSNR.
async function showsPicture(view, what, rgb, dB, { masks, timeout } = {}) {
  let psnr;
  await view.until(what, (shot) => {
    const result = compare(shot, rgb, masks);
    psnr = result.psnr;
    const ok = dB === 'exact' ? result.differing === 0 : psnr >= dB;
    return ok ? null : `${result.differing} pixels differ, PSNR ${psnr.toFixed(1)} dB`;
  }, timeout);
  return psnr;
}

// Steps through the deck NAME.swf, its buttons in a strip under its width x
// height slides (nothing covers a slide), with its next button: slide i
// must show pages[i].rgb as showsPicture does within pages[i].dB, and a
// click at pages[i].link ({x, y, url}) must open its URL.
async function stepThrough(name, width, height, pages) {
  const row = buttonRow(width, height, 4, 'under');
  const view = await openMovie(name, width, row.stageHeight, 1, pages.length);
  const next = row.centre(2);
  for (const [i, { rgb, dB, link }] of pages.entries()) {
    if (i > 0) await view.click(next.x, next.y);
    await showsPicture(view, `${name} slide ${i + 1}`, rgb, dB);
    if (link) {
      await view.click(link.x, link.y);
      await player.waitForRequest(link.url);
    }
  }
  return view;
}

// The pages of a PDF as pdftocairo (poppler-utils) draws them at width x
// height, as RGB, for stepThrough (within 35 dB); links[i]: page i's link.
function pdfPages(file, width, height, links) {
  return links.map((link, i) => {
    const prefix = `${file}-page${i + 1}`;
    execFileSync('pdftocairo', ['-png', '-f', String(i + 1), '-l', String(i + 1), '-scale-to-x', String(width),
      '-scale-to-y', String(height), '-singlefile', file, prefix], { stdio: 'pipe' });
    return { rgb: rgbOf(decodePng(fs.readFileSync(`${prefix}.png`))), dB: 35, link };
  });
}

// The 8-bit slide bitmaps of the demo (DefineBitsLossless of the stage's
// width) as RGB.
function slidePictures(file, width) {
  const { tags, bitmaps } = readMovie(file, { pixels: true });
  return bitmaps.filter((b) => tags[b.tag].code === 20 && b.format === 3 && b.width === width)
    .map((b) => rgbOf({ data: b.rgba, width: b.width, height: b.height }));
}

// ---- The demo -----------------------------------------------------------------

test('the demo is drawn, and its buttons and link navigate', async () => {
  const out = demo('demo-files');
  fs.copyFileSync(path.join(out, 'demo.swf'), path.join(player.dir, 'demo.swf'));
  const [W, H] = [640, 480];
  const slides = slidePictures(path.join(out, 'demo.swf'), W);
  assert.equal(slides.length, 5, 'the demo has five slide pictures');
  const view = await openMovie('demo', W, H, 12, 65);

  // What each slide shows over its picture: slide 2 the info overlay and the
  // sprite where it starts, slide 4 the animated outlines and boxes.
  const overlays = {
    2: [{ x1: 330, y1: 364, x2: 610, y2: 412 }, { x1: 20, y1: 210, x2: 68, y2: 258 }],
    4: [{ x1: 36, y1: 156, x2: 604, y2: 364 }],
  };
  const [PLAY, STOP, FIRST, PREVIOUS, NEXT, LAST] = [0, 1, 2, 3, 4, 5].map(buttonRow(W, H, 6).centre);

  // The slide the player shows: the one whose picture is closest, and close.
  const showing = (n) => (shot) => {
    const scores = slides.map((rgb) => compare(shot, rgb, DEMO_MASKS.concat(overlays[n] || [])).psnr);
    const best = scores.indexOf(Math.max(...scores));
    const ok = best === n - 1 && scores[best] >= 30;
    return ok ? null : `slide ${best + 1} is closest (PSNR ${scores.map((s) => s.toFixed(1)).join(', ')})`;
  };
  const press = async (button, n, what) => {
    await view.click(button.x, button.y);
    return view.until(`slide ${n} after ${what}`, showing(n));
  };
  // More than least pixels changed since the screenshot before.
  const changedFrom = (before, least) => (shot) => {
    const d = compare(shot, rgbOf(before), DEMO_MASKS).differing;
    return d > least ? null : `${d} pixels changed`;
  };

  const first = await view.until('slide 1 at the start', showing(1));
  const colours = new Set();
  for (let i = 0; i < first.data.length; i += 4) colours.add(first.data.readUIntBE(i, 3));
  assert.ok(colours.size > 40, 'the demo is not blank');
  const shot = process.env.QUILLON_DEMO_SCREENSHOT || path.join(player.dir, 'demo.png');
  fs.writeFileSync(shot, view.lastPng);

  await press(NEXT, 2, 'next');
  // Play moves the sprite until the pause button stops it halfway.
  const before = await view.screenshot();
  await view.click(PLAY.x, PLAY.y);
  await view.until('the sprite moving after play', changedFrom(before, 500));

  await press(NEXT, 3, 'next');
  // The hyperlink area opens about.html.
  await view.click(320, 265);
  await player.waitForRequest('/about.html');

  await press(LAST, 5, 'last');
  const still = await press(PREVIOUS, 4, 'previous');
  // Play animates the rubber outlines and the attractor; stop holds them.
  await view.click(PLAY.x, PLAY.y);
  await view.until('the animated lists moving after play', changedFrom(still, 200));
  await view.click(STOP.x, STOP.y);
  await sleep(300);
  const held = await view.screenshot();
  await sleep(600);
  const later = await view.screenshot();
  assert.equal(compare(later, rgbOf(held), DEMO_MASKS).differing, 0, 'stop holds the animation');

  await press(FIRST, 1, 'first');
  await press(PREVIOUS, 5, 'previous on the first slide');
  await press(NEXT, 1, 'next on the last slide');
});

test('the viewer page that quillon-demo writes plays the demo with its own copy of the player', async () => {
  const out = demo('viewer-demo');
  const view = await player.openSite(out, 'demo.html');
  const box = await view.element.boundingBox();
  assert.deepEqual([box.width, box.height], [640, 480]);
  // It shows the first slide's picture (buttons and logo aside).
  const first = slidePictures(path.join(out, 'demo.swf'), 640)[0];
  await showsPicture(view, 'the viewer page shows the first slide', first, 30, { masks: DEMO_MASKS, timeout: 15000 });
});

// ---- Decks ----------------------------------------------------------------------

test('every slide of a quillon-slides deck looks like its PNG', async () => {
  const [W, H] = [320, 240];
  const images = [picture('deck-0', 'stripes', W, H, 6, 0), picture('deck-1', 'gradient', W, H),
    picture('deck-2', 'stripes', W, H, 256, 1), picture('deck-3', 'photo', W, H)];
  slides(['--buttons', ...images.map((image) => image.file)], 'deck.swf');
  // Exact pictures, or at least this close (dB): the gradient, the photograph.
  const closeness = ['exact', 30, 'exact', 35];
  await stepThrough('deck', W, H, images.map(({ rgb }, i) => ({ rgb, dB: closeness[i] })));
});

test('a narrated deck moves on by itself as each narration ends', async () => {
  const [W, H] = [160, 120];
  const colours = [[200, 40, 40], [40, 120, 200], [60, 160, 60]];
  const seconds = [1.0, 1.5, 0.5];
  // Tones of those lengths, 16-bit mono PCM at 22,050 Hz, written by sox.
  const narrations = seconds.flatMap((s, i) => {
    const file = path.join(player.dir, `narration-${i}.wav`);
    execFileSync('sox', ['-n', '-r', '22050', '-b', '16', '-c', '1', file,
      'synth', String(s), 'sine', String(330 + 110 * i), 'vol', '0.18'], { stdio: 'pipe' });
    return ['--narration', file];
  });
  const pictures = colours.map((colour, i) => halves(`narrated-${i}`, W, H, colour, colour).file);
  slides(['--fps', '10', ...narrations, ...pictures], 'narrated.swf');
  // 10 + 15 + 5 frames: each slide as long as its narration.
  const view = await openMovie('narrated', W, H, 10, 30);
  const shows = (n, what) => view.waitFor([point(80, 60, colours[n])], { what, timeout: 8000 });
  await shows(0, 'the first slide');
  await shows(1, 'the second slide after the first narration');
  const second = Date.now();
  await shows(2, 'the third slide after the second narration');
  // The second slide stayed for its narration of 1.5 s (its start was seen
  // at most a few screenshots late).
  assert.ok(Date.now() - second >= 1000, `the second slide lasted ${Date.now() - second} ms`);
  // The deck stops on its last slide.
  await view.stays([point(80, 60, colours[2])], 1000, { what: 'the third slide' });
  assert.deepEqual(view.soundTrouble(), [], 'the player reported trouble with the narrations');
});

// Runs in the page before the player: every AudioContext is kept in
// window.audio.contexts, and whatever the player connects to a context's
// output passes an analyser first, so that window.audio.peak() tells the
// loudest sample of the last 2048 the player sent out (Chromium's
// --mute-audio silences the speakers, not the graph).
function listenToTheAudio() {
  const contexts = [];
  const Base = window.AudioContext;
  window.AudioContext = class extends Base {
    constructor(...args) {
      super(...args);
      contexts.push(this);
    }
  };
  const connect = AudioNode.prototype.connect;
  AudioNode.prototype.connect = function (target, ...rest) {
    if (!(target instanceof AudioDestinationNode)) return connect.call(this, target, ...rest);
    const context = target.context;
    if (!context.analyser) {
      context.analyser = context.createAnalyser();
      context.analyser.fftSize = 2048;
      connect.call(context.analyser, target);
    }
    return connect.call(this, context.analyser, ...rest);
  };
  window.audio = {
    contexts,
    resume: () => Promise.all(contexts.map((c) => c.resume())),
    peak: () => {
      let peak = 0;
      for (const context of contexts.filter((c) => c.analyser)) {
        const samples = new Float32Array(2048);
        context.analyser.getFloatTimeDomainData(samples);
        for (const v of samples) peak = Math.max(peak, Math.abs(v));
      }
      return peak;
    },
  };
}

test('with --buttons a narration stops when the viewer moves on before it ends', async () => {
  const [W, H] = [160, 120];
  const colours = [[200, 40, 40], [40, 120, 200]];
  // A 6-second tone on the first slide, none on the second.
  const narration = path.join(player.dir, 'long-narration.wav');
  execFileSync('sox', ['-n', '-r', '22050', '-b', '16', '-c', '1', narration, 'synth', '6', 'sine', '440', 'vol', '0.5'],
    { stdio: 'pipe' });
  const pictures = colours.map((colour, i) => halves(`stopping-${i}`, W, H, colour, colour).file);
  slides(['--buttons', '--narration', narration, ...pictures], 'stopping.swf');
  const row = buttonRow(W, H, 4, 'under');
  const view = await player.open('stopping', { width: W, height: row.stageHeight, init: listenToTheAudio });
  await view.waitFor([point(80, 60, colours[0])], { what: 'the first slide' });
  // Browsers let a page make sound after a click: one on the slide, away
  // from the buttons, then the player's audio resumed.
  await view.click(80, 60);
  await view.page.evaluate(() => window.audio.resume());
  const peak = () => view.page.evaluate(() => window.audio.peak());
  const heard = await poll(async () => ((await peak()) > 0.2 ? true : null), 5000);
  assert.ok(heard, 'the narration is not heard on its slide');
  // It plays on while the slide stays...
  await sleep(1000);
  assert.ok((await peak()) > 0.2, 'the narration stopped while its slide stayed');
  // ...and stops when next moves on, seconds before its end.
  const next = row.centre(2);
  await view.click(next.x, next.y);
  await view.waitFor([point(80, 60, colours[1])], { what: 'the second slide after next' });
  const quiet = await poll(async () => ((await peak()) < 0.01 ? true : null), 1000);
  assert.ok(quiet, `the narration plays on over the second slide (peak ${await peak()})`);
  for (let i = 0; i < 10; ++i) {
    await sleep(200);
    assert.ok((await peak()) < 0.01, 'a sound plays again on the second slide');
  }
});

// ---- PDF decks --------------------------------------------------------------

// A PDF of four 400 x 300 pixel pages, printed by the browser: distinct
// colours, blocks and text on each; web links on pages 1 and 2, a link to
// page 3 on page 2, a script link on page 4.
async function printPdf(file, origin) {
  const at = (x, y, w, h) => `position:absolute;display:block;left:${x}px;top:${y}px;width:${w}px;height:${h}px`;
  const block = (x, y, w, h, colour) => `<div style="${at(x, y, w, h)};background:${colour}"></div>`;
  const link = (href, x, y, w, h) => `<a href="${href}" style="${at(x, y, w, h)};background:#0050c0"></a>`;
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
  const { page: tab } = await player.newView('pdf');
  await tab.setContent(html);
  fs.writeFileSync(file, await tab.pdf({ width: '400px', height: '300px', printBackground: true }));
}

test('a PDF deck: slides look like their pages and the web links open', async () => {
  const pdf = path.join(player.dir, 'talk.pdf');
  await printPdf(pdf, player.server.origin);
  const said = slides(['--buttons', pdf], 'pdf-deck.swf');
  assert.doesNotMatch(said, /inside the document/);
  assert.match(said, /talk\.pdf: page 4: the link to javascript:alert\(1\) is not kept/);
  // 300 x 225 points: 1024 x 768 pixels; the links where printPdf drew them.
  const at = (x, y, url) => ({ x: Math.round((x * 1024) / 400), y: Math.round((y * 1024) / 400), url });
  const links = [at(100, 225, '/pdf-link-one'), at(300, 55, '/pdf-link-two'), null, null];
  const pages = pdfPages(pdf, 1024, 768, links);
  const view = await stepThrough('pdf-deck', 1024, 768, pages);
  // Page 2's link to page 3, clicked, shows slide 3 and stays there.
  const [first, next] = [0, 2].map(buttonRow(1024, 768, 4, 'under').centre);
  await view.click(first.x, first.y);
  await showsPicture(view, 'slide 1 after first', pages[0].rgb, pages[0].dB);
  await view.click(next.x, next.y);
  await showsPicture(view, 'slide 2 after next', pages[1].rgb, pages[1].dB);
  const toPage3 = at(90, 220);
  await view.click(toPage3.x, toPage3.y);
  await showsPicture(view, 'slide 3 after its link on slide 2', pages[2].rgb, pages[2].dB);
  await sleep(1000);
  await showsPicture(view, 'slide 3 a second later', pages[2].rgb, pages[2].dB, { timeout: 1 });
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
  const { page } = await player.newView(name);
  await page.setContent(`<body style="margin:0"><img id="photo" src="${player.server.origin}/movies/${name}"></body>`);
  await page.waitForFunction(() => document.getElementById('photo').complete);
  const size = await page.evaluate(() => [document.getElementById('photo').width, document.getElementById('photo').height]);
  assert.deepEqual(size, [width, height], `Chromium shows ${name} upright`);
  const rgb = rgbOf(decodePng(await page.locator('#photo').screenshot()));
  await page.close();
  return rgb;
}

test('a phone photo stored turned shows upright, as the browser shows the same file', async () => {
  const [W, H] = [320, 240];
  const results = [];
  for (const row of photoRows) {
    const file = row.svg ? `${row.name}.svg` : `${row.name}.${row.form.split(':')[0]}`;
    if (row.svg) fs.writeFileSync(path.join(player.dir, file), drawing(W, H));
    else picture(row.name, 'photo', W, H, row.form);
    const reference = await browserRendering(file, W, H);
    slides([path.join(player.dir, file)], `${row.name}.swf`);
    const view = await openMovie(row.name, W, H, 1, 1);
    const psnr = await showsPicture(view, `${file} upright, against Chromium's rendering of the file`, reference, row.dB);
    results.push(`${file} ${psnr.toFixed(1)} dB`);
    await view.close();
  }
  console.log(`against Chromium: ${results.join(', ')}`);
});

test('a PowerPoint deck: slides look like its pages and the web link opens', async () => {
  const dir = path.join(player.dir, 'office');
  fs.mkdirSync(dir);
  // The flat OpenDocument deck of the tools' tests, of which LibreOffice makes
  // the PPTX: a navy first page with a web link, a white second page.
  const deck = fs.readFileSync(new URL('../../tools/tests/data/deck.fodp', import.meta.url), 'utf8');
  // The other places of the flat deck (a picture, macros, timings, a hidden
  // slide) stay empty, as the tools' tests' FlatDeck leaves them by default.
  fs.writeFileSync(path.join(dir, 'deck.fodp'),
    deck.replace('@LINK@', `${player.server.origin}/pptx-link`).replace(/@[A-Z0-9_]+@/g, ''));
  const soffice = (format, file) => execFileSync('soffice', ['--headless', '--norestore',
    `-env:UserInstallation=file://${dir}/profile`, '--convert-to', format, '--outdir', dir, file],
  { stdio: 'pipe', timeout: 180000 });
  soffice('pptx', path.join(dir, 'deck.fodp'));
  const pptx = path.join(dir, 'deck.pptx');
  // The pages and the link's place as LibreOffice prints the PPTX itself.
  soffice('pdf', pptx);
  const pdf = path.join(dir, 'deck.pdf');
  const text = fs.readFileSync(pdf, 'latin1');
  const numbers = (key) => text.match(new RegExp(`/${key}\\s*\\[\\s*([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s*\\]`))
    .slice(1).map(Number);
  const box = numbers('MediaBox');
  const rect = numbers('Rect');

  slides(['--buttons', pptx], 'pptx-deck.swf');
  const W = 1024;
  const scale = W / (box[2] - box[0]);
  const H = Math.round((box[3] - box[1]) * scale);
  // The middle of the link's rectangle (PDF points, from the bottom).
  const link = {
    x: Math.round(((rect[0] + rect[2]) / 2 - box[0]) * scale),
    y: Math.round((box[3] - (rect[1] + rect[3]) / 2) * scale),
    url: '/pptx-link',
  };
  await stepThrough('pptx-deck', W, H, pdfPages(pdf, W, H, [link, null]));
});

// ---- The viewer page on a small screen ----------------------------------------

test('the viewer page fits a 1920 x 1080 deck into a 1366 x 768 window, buttons and all', async () => {
  const [W, H] = [1920, 1080];
  const site = path.join(player.dir, 'site');
  const deck = path.join(site, 'deck');
  fs.mkdirSync(deck, { recursive: true });
  // The player lives elsewhere on the site; the page loads it from there.
  fs.cpSync(path.dirname(require.resolve('@ruffle-rs/ruffle/package.json')),
    path.join(site, 'player'), { recursive: true });
  // Three slides of flat colours: a top half and a bottom half.
  const colours = [[[200, 40, 40], [250, 240, 200]], [[40, 120, 200], [220, 250, 220]], [[60, 160, 60], [60, 40, 90]]];
  const files = colours.map(([top, bottom], i) => halves(`big-${i}`, W, H, top, bottom).file);
  slides(['--buttons=over', '--html', '--player-url', '../player/', ...files], path.join(deck, 'big.swf'));
  assert.ok(!fs.existsSync(path.join(deck, 'ruffle')), 'the page loads the player from --player-url, not a copy');

  const view = await player.openSite(site, 'deck/big.html', { width: 1366, height: 768 });
  const box = await view.element.boundingBox();
  // The whole stage in the window, at the stage's proportions, without scrolling.
  assert.ok(box.x >= 0 && box.y >= 0 && box.x + box.width <= 1366 && box.y + box.height <= 768,
    `the player at ${JSON.stringify(box)} is not inside the window`);
  assert.ok(Math.abs(box.width / box.height - W / H) < 0.01, `the player is ${box.width} x ${box.height}`);
  assert.ok(box.width >= 1360, `the player is ${box.width} wide, not as wide as the window allows`);
  const scroll = await view.page.evaluate(() => [document.scrollingElement.scrollWidth, document.scrollingElement.scrollHeight]);
  assert.deepEqual(scroll, [1366, 768]);

  const k = box.width / W;
  // Sample points away from the buttons: the middle of each half, left and right.
  const places = [[300, 270, 0], [1500, 270, 0], [300, 810, 1], [960, 810, 1]];
  const slide = (i, what) => view.waitFor(places.map(([x, y, half]) => point(Math.round(x * k), Math.round(y * k),
    colours[i][half])), { tolerance: 3, timeout: 15000, what });
  // The first slide at once, with nothing over it.
  await slide(0, 'the first slide');
  // "next", where it is drawn, clicked without scrolling.
  const click = (button) => view.page.mouse.click(box.x + button.x * k, box.y + button.y * k);
  await click(buttonRow(W, H, 4).centre(2));
  await slide(1, 'the second slide after next');
  const previous = buttonRow(W, H, 4).centre(1);
  await click(previous);
  await click(previous);
  await slide(2, 'the last slide after previous on the first');
});

// ---- Moving through a deck -----------------------------------------------------

// The slides of keyDeck, flat colours.
const DECK_COLOURS = [[200, 40, 40], [40, 120, 200], [60, 160, 60], [230, 200, 40]];

// A --buttons deck of four 480 x 360 slides in DECK_COLOURS and its viewer
// page deck.html, in the folder name of the player's folder; returns the
// folder.
function keyDeck(name) {
  const site = path.join(player.dir, name);
  fs.mkdirSync(site);
  const files = DECK_COLOURS.map((c, i) => halves(`${name}-${i}`, 480, 360, c, c).file);
  slides(['--buttons', '--html', ...files], path.join(site, 'deck.swf'));
  return site;
}

// Points of keyDeck's slide i in its page's player, however large the page
// draws the stage.
async function slidePoints(view, i) {
  const k = (await view.element.boundingBox()).width / 480;
  return [[240, 180], [60, 60], [420, 300]].map(([x, y]) => point(Math.round(x * k), Math.round(y * k), DECK_COLOURS[i]));
}

async function restsOn(view, i, what) {
  await view.waitForRest(await slidePoints(view, i), { what, timeout: 5000, tolerance: 3 });
}

test('real key presses move a --buttons deck in its viewer page, which gives the player the keyboard', async () => {
  const view = await player.openSite(keyDeck('keys'), 'deck.html');
  await restsOn(view, 0, 'the first slide');
  const focused = await view.page.evaluate(() => document.activeElement && document.activeElement.id);
  assert.equal(focused, 'player', 'the page gives the player the keyboard as it loads');
  const steps = [['ArrowRight', 1], ['PageDown', 2], ['Space', 3], ['Home', 0], ['End', 3], ['ArrowLeft', 2],
    ['PageUp', 1]];
  for (const [key, slide] of steps) {
    await view.page.keyboard.press(key);
    await restsOn(view, slide, `slide ${slide + 1} after ${key}`);
  }
  // A click on the page beside the stage leaves the keyboard with the player.
  await view.page.mouse.click(5, 5);
  await view.page.keyboard.press('ArrowRight');
  await restsOn(view, 2, 'slide 3 after a click beside the stage and ArrowRight');
});

test('on a 390 x 844 touch screen a swipe moves one slide each way', async () => {
  const view = await player.openSite(keyDeck('swipe'), 'deck.html', { width: 390, height: 844 }, { touch: true });
  await restsOn(view, 0, 'the first slide');
  // The keys the page sends its player.
  await view.page.evaluate(() => {
    window.sent = [];
    for (const type of ['keydown', 'keyup']) {
      document.getElementById('player').addEventListener(type, (e) => window.sent.push(`${e.type} ${e.key}`));
    }
  });
  const box = await view.element.boundingBox();
  const [x, y] = [box.x + box.width / 2, box.y + box.height * 0.4];
  const swipe = (dx, dy) => view.swipe(x - dx / 2, y - dy / 2, x + dx / 2, y + dy / 2);
  await swipe(-200, 30);
  await restsOn(view, 1, 'slide 2 after a swipe to the left');
  await swipe(200, -30);
  await restsOn(view, 0, 'slide 1 after a swipe to the right');
  // Neither a swipe down nor a short one moves.
  await swipe(30, 250);
  await swipe(-20, 0);
  await view.stays(await slidePoints(view, 0), 1000, { what: 'slide 1 after a swipe down and a short one', tolerance: 3 });
  assert.deepEqual(await view.page.evaluate(() => window.sent),
    ['keydown ArrowRight', 'keyup ArrowRight', 'keydown ArrowLeft', 'keyup ArrowLeft']);
});
