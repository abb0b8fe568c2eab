// Animated lists as the player shows them: each movie is stopped at one
// frame, so the player rests there and the picture can be measured.
'use strict';

const assert = require('node:assert/strict');

const { point } = require('../harness/player');

const [WHITE, RED, BLUE, GREY, GREEN] = [[255, 255, 255], [255, 0, 0], [0, 0, 255], [0x80, 0x80, 0x80], [0x00, 0xc0, 0x00]];
// The attractor's boxes of tests/host/scenarios_animation.c, and their centres.
const BOXES = [[20, 150, 80, 190], [120, 150, 180, 190], [220, 150, 280, 190]];
// The rectangle rubber's corners and the ellipse rubber's.
const RECTANGLE = [20, 20, 140, 100];
const ELLIPSE = [180, 20, 300, 100];

// The bounding box of the pixels of one colour inside an area.
function extent(image, colour, [x1, y1, x2, y2]) {
  let box = null;
  for (let y = y1; y <= y2; ++y) {
    for (let x = x1; x <= x2; ++x) {
      const at = (y * image.width + x) * 4;
      if (colour.some((c, i) => Math.abs(image.data[at + i] - c) > 60)) continue;
      // Rows are scanned top-down: the first pixel found gives minY, each one maxY.
      box = box || { minX: x, maxX: x, minY: y };
      Object.assign(box, { minX: Math.min(box.minX, x), maxX: Math.max(box.maxX, x), maxY: y });
    }
  }
  return box;
}

// The attractor in frame k: before the first step no highlight is in front;
// step k brings box k mod 3 to the front.
function attractorPoints(k) {
  return BOXES.map(([x1, y1, x2, y2], i) => {
    const lit = k > 0 && i === k % 3;
    return point((x1 + x2) >> 1, (y1 + y2) >> 1, lit ? GREEN : GREY);
  });
}

// Where frame k of the movie rests: the attractor's state is exact, the
// rubbers are measured once it has rested.
async function restAt(player, k) {
  const view = await player.play(`animation-at-${k}`, { width: 320, height: 240 });
  assert.equal(view.metadata.numFrames, 12);
  // Frames k - 3, k - 6... light the same box: wait until the movie rests.
  await view.waitForRest(attractorPoints(k), { rest: 600, timeout: 8000, what: `attractor of frame ${k}` });
  const image = await view.screenshot();
  const area = (r) => [r[0] - 8, r[1] - 8, r[2] + 8, r[3] + 8];
  return { view, rectangle: extent(image, RED, area(RECTANGLE)), ellipse: extent(image, BLUE, area(ELLIPSE)) };
}

module.exports = (player) => {
  player.test('rubber outlines shrink toward their centres frame by frame, the highlight moves box by box', async () => {
    const rest = {};
    for (const k of [0, 1, 2, 3, 5]) rest[k] = await restAt(player, k);
    const full = rest[0];
    assert.ok(full.rectangle && full.ellipse, 'both outlines are drawn in frame 0');
    // Frame 0 shows the rectangle at its corners, about 2 pixels wide.
    assert.ok(Math.abs(full.rectangle.minX - RECTANGLE[0]) <= 1.5, `rectangle starts at ${full.rectangle.minX}`);
    assert.ok(Math.abs(full.rectangle.maxX - RECTANGLE[2]) <= 1.5, `rectangle ends at ${full.rectangle.maxX}`);

    for (const k of [1, 2, 3, 5]) {
      for (const name of ['rectangle', 'ellipse']) {
        const seen = rest[k][name];
        const base = full[name];
        assert.ok(seen, `${name} is drawn in frame ${k}`);
        // Step k insets the outline by 3k pixels on every side and keeps the centre.
        for (const [min, max, smaller] of [['minX', 'maxX', 'narrower'], ['minY', 'maxY', 'lower']]) {
          const moved = (seen[min] + seen[max] - base[min] - base[max]) / 2;
          assert.ok(Math.abs(moved) <= 1.5, `${name} centre moved by ${moved} (${min}) in frame ${k}`);
          const shrunk = (base[max] - base[min]) - (seen[max] - seen[min]);
          assert.ok(Math.abs(shrunk - 6 * k) <= 2.5, `${name} is ${shrunk} pixels ${smaller} in frame ${k}, expected ${6 * k}`);
        }
      }
      // Outside the shrunk rectangle the slide shows again.
      await rest[k].view.waitFor([point(RECTANGLE[0], 60, WHITE)],
        { timeout: 0, tolerance: 8, what: `the rectangle's first position, empty in frame ${k},` });
    }
  });
};
