// Buttons, links, sprites and overlays, clicked and watched in the player.
'use strict';

const assert = require('node:assert/strict');

const { point, sleep } = require('../harness/player');
const {
  SLIDE_A, SLIDE_B, SLIDE_C, navigationButtons, NAVIGATION_PICTURE, STEP_BUTTON, PAUSE_BUTTON,
  exactPoints, EXACT,
} = require('../scenes');

const STAGE = { width: 320, height: 240 };

// Points of a slide, leaving out the rectangles of buttons over it.
const slidePoints = (slide, avoid = []) => slide.points(STAGE.width, STAGE.height, { avoid });

// Points inside a button picture whose corners are rect = [x1, y1, x2, y2]
// (it covers x1..x2, y1..y2), two pixels in from its edges, showing rgb.
function inside(rect, rgb) {
  const [x1, y1, x2, y2] = rect;
  const xs = [x1 + 2, (x1 + x2) >> 1, x2 - 3];
  const ys = [y1 + 2, (y1 + y2) >> 1, y2 - 3];
  return xs.flatMap((x) => ys.map((y) => point(x, y, rgb)));
}

// Slide A with the pause button over it.
const PAUSED_A = [...slidePoints(SLIDE_A, [PAUSE_BUTTON.rect]), ...inside(PAUSE_BUTTON.rect, PAUSE_BUTTON.face)];

module.exports = (player) => {
  player.test('navigation buttons move between the slides, and stop and play hold and resume playback', async () => {
    const view = await player.play('player-navigation', STAGE);
    const buttons = navigationButtons;
    const rects = [...Object.values(buttons).map((b) => b.rect), NAVIGATION_PICTURE.rect];
    // Every slide with the kind-0 picture, which frame 0 places for good.
    const picture = inside(NAVIGATION_PICTURE.rect, NAVIGATION_PICTURE.face);
    const slide = {};
    for (const [name, s] of Object.entries({ A: SLIDE_A, B: SLIDE_B, C: SLIDE_C })) {
      slide[name] = [...slidePoints(s, rects), ...picture];
    }
    // Each button shows its own up face over slide A, and its over face
    // while the mouse is on it.
    const faces = Object.values(buttons).flatMap((b) => inside(b.rect, b.up));
    await view.waitFor([...slide.A, ...faces], { what: 'slide A with six button faces' });
    await view.page.mouse.move(...buttons.next.centre);
    await view.waitFor(inside(buttons.next.rect, buttons.next.over), { what: 'the over face of next' });

    const press = async (name, expected, label) => {
      await view.click(...buttons[name].centre);
      await view.waitFor(slide[expected], { what: `slide ${expected} after ${label || name}` });
    };
    await press('next', 'B');
    await press('next', 'C');
    await press('next', 'A', 'next on the last slide');
    await press('previous', 'C', 'previous on the first slide');
    await press('previous', 'B');
    await press('previous', 'A');
    await press('last', 'C');
    await press('first', 'A');

    // Slide B plays on for three seconds before slide C: stop holds it
    // there, play resumes and reaches C.
    await press('play', 'B');
    await view.click(...buttons.stop.centre);
    await view.stays(slide.B, 4000, { what: 'slide B after stop' });
    await press('play', 'C', 'play after stop');
    await view.stays(slide.C, 600, { what: 'slide C' });
  });

  player.test('a pause button in a stopped frame resumes playback when clicked', async () => {
    const view = await player.play('player-pause-button', STAGE);
    await view.waitFor(PAUSED_A, { stays: 700, what: 'slide A with the pause button' });
    await view.click(...PAUSE_BUTTON.centre);
    // The next frame shows slide B and no longer the button.
    await view.waitFor(slidePoints(SLIDE_B), { what: 'slide B after pause' });
  });

  // Links open url at the click inside the invisible hyperlink area (after
  // clicks outside it), or at the pause button before the automatic link's frame.
  const LINKS = [
    ['a hyperlink area opens its URL when clicked inside, and nothing outside', 'player-hyperlink', slidePoints(SLIDE_A),
      [[60, 120], [260, 120], [160, 40], [160, 200], [96, 76]], [160, 120], '/clicked?x=1'],
    ['an automatic hyperlink opens its URL when its frame is reached', 'player-automatic-link', PAUSED_A,
      [], PAUSE_BUTTON.centre, '/reached?frame=1'],
  ];
  for (const [title, scenario, first, outside, click, url] of LINKS) {
    player.test(title, async () => {
      const view = await player.play(scenario, STAGE);
      await view.waitFor(first, { what: 'slide A' });
      for (const [x, y] of outside) await view.click(x, y);
      await sleep(800);
      const prefix = url.split('?')[0];
      assert.deepEqual(player.server.requestsTo(prefix), [], `${prefix} opened before the click that opens it`);
      await view.click(...click);
      assert.equal((await player.waitForRequest(prefix)).url, url);
      await view.page.waitForURL(`${player.server.origin}${url}`, { timeout: 5000 });
    });
  }

  player.test('a sprite with alpha shows at its translation, blended, and goes when hidden', async () => {
    const background = [0x20, 0x60, 0xe0];
    const opaque = [0xff, 0xc0, 0x00];
    // Premultiplied red at alpha 128 over the background: c + (1 - 128/255) bg.
    const blended = [0x80, 0x00, 0x00].map((c, i) => Math.round(c + background[i] * (1 - 128 / 255)));
    // The 48 x 32 sprite at (x, y): its opaque left half, its blended right
    // half, and the background around it; where it is not, the background.
    const inner = [[4, 4, opaque], [12, 16, opaque], [20, 28, opaque], [28, 4, blended], [36, 16, blended], [44, 28, blended]];
    const around = [[-3, 16], [51, 16], [24, -3], [24, 35]];
    const sprite = (x, y, shown) => [
      ...inner.map(([dx, dy, rgb]) => point(x + dx, y + dy, shown ? rgb : background)),
      ...(shown ? around : []).map(([dx, dy]) => point(x + dx, y + dy, background)),
    ];
    // Each step: the sprite at one of its places (or none) and not at the others.
    const places = [[40, 50], [200, 120], [100, 150]];
    const steps = [['shown at (40, 50)', 0], ['moved to (200, 120)', 1], ['hidden', -1], ['shown again at (100, 150)', 2]];
    // DefineBitsLossless2 colours are premultiplied by alpha. The player's
    // canvas renderer multiplies them by alpha once more (it shows #503070
    // where the format means #903070); its WebGL renderer blends them as the
    // format defines, so this movie is checked there.
    const view = await player.play('player-sprite', { ...STAGE, renderer: 'webgl' });
    await view.waitFor(inside(STEP_BUTTON.rect, STEP_BUTTON.up), { what: 'the step button' });
    for (const [i, [what, at]] of steps.entries()) {
      if (i > 0) await view.click(...STEP_BUTTON.centre);
      const points = places.flatMap(([x, y], j) => sprite(x, y, j === at));
      await view.waitFor(points, { tolerance: 3, what: `sprite ${what}` });
    }
  });

  player.test('info overlays of odd sizes appear at their rectangles and go after RemoveAndDestroyAllInfo', async () => {
    const background = [0x30, 0x30, 0x30];
    const [red, green, blue, yellow] = [[0xff, 0x40, 0x40], [0x40, 0xff, 0x40], [0x40, 0x40, 0xff], [0xff, 0xff, 0x00]];
    // Each overlay covers x1..x2, y1..y2 on screen, its last column and row
    // included. Points inside with their colours, and points just outside,
    // which show the slide.
    const overlays = [
      { inner: [[12, 11, red], [14, 12, red], [16, 12, red]],
        around: [[7, 12], [22, 12], [14, 7], [14, 17]] },
      { inner: [[62, 32, green], [66, 37, green], [62, 38, green], [74, 32, blue], [77, 37, blue], [77, 38, blue]],
        around: [[57, 35], [83, 35], [70, 27], [70, 43]] },
      { inner: [[152, 101, yellow], [153, 102, yellow]],
        around: [[147, 102], [159, 102], [153, 97], [153, 107]] },
    ];
    const shown = overlays.flatMap((o) => [
      ...o.inner.map(([x, y, rgb]) => point(x, y, rgb)),
      ...o.around.map(([x, y]) => point(x, y, background)),
    ]);
    const gone = overlays.flatMap((o) => o.inner.map(([x, y]) => point(x, y, background)));
    const view = await player.play('player-info', STAGE);
    await view.waitFor(shown, { stays: 300, what: 'three overlays' });
    await view.click(...STEP_BUTTON.centre);
    await view.waitFor(gone, { what: 'the slide without overlays' });
  });

  player.test('button faces, pause buttons, the kind-0 picture and info overlays show every pixel at its place', async () => {
    const view = await player.play('player-exact-pictures', STAGE);
    const checks = [];
    for (const [kind, top] of Object.entries(EXACT.rows)) {
      EXACT.sizes.forEach(([width, height], i) => {
        checks.push([`${kind} ${width} x ${height}`, exactPoints(EXACT.columns[i], top, width, height, EXACT.background)]);
      });
    }
    // All at once first (the movie has one frame), then each for the report.
    await view.waitFor(checks.flatMap(([, points]) => points), { tolerance: 2, what: 'every exact picture' })
      .catch(async (error) => {
        for (const [what, points] of checks) await view.waitFor(points, { timeout: 500, tolerance: 2, what });
        throw error;
      });
  });

  player.test('a sprite shown in two movies in a row appears in both', async () => {
    await player.write('player-sprite-two-movies');
    const first = await player.open('player-sprite-two-movies-first', STAGE);
    await first.waitFor(exactPoints(40, 30, 8, 6, [0x30, 0x30, 0x30]), { what: 'the sprite in the first movie' });
    const second = await player.open('player-sprite-two-movies', STAGE);
    await second.waitFor(exactPoints(100, 80, 8, 6, [0x60, 0x60, 0x60]), { what: 'the sprite in the second movie' });
  });
};
