// What the host scenarios of tests/host/scenarios_player.c draw, described
// independently of the library: their colours and places come from the
// scenarios' own tables (quillon-host --scenes); the patterns are here.
'use strict';

const { execFileSync } = require('node:child_process');

const { point } = require('./harness/player');

const rgb = (v) => [(v >> 16) & 255, (v >> 8) & 255, v & 255];

const scenes = JSON.parse(execFileSync(process.env.QUILLON_HOST, ['--scenes'], { encoding: 'utf8' }));
const { paletteA: PALETTE_A, paletteB: PALETTE_B, paletteC: PALETTE_C } = scenes;

// A picture made of cells of cell x cell pixels: the colour of each pixel,
// and the centres of the cells as sample points.
class CellPicture {
  constructor(cell, colourAt) {
    this.cell = cell;
    this.colourAt = colourAt;
  }

  // The centre of every cell that lies wholly inside the area (default the
  // whole width x height stage) and outside every rectangle of avoid
  // ([x1, y1, x2, y2], inclusive), with the colour it must show.
  points(width, height, { area = [0, 0, width - 1, height - 1], avoid = [] } = {}) {
    const c = this.cell;
    const half = Math.floor(c / 2);
    const result = [];
    for (let y0 = 0; y0 + c <= height; y0 += c) {
      for (let x0 = 0; x0 + c <= width; x0 += c) {
        const x = x0 + half;
        const y = y0 + half;
        const inside = x >= area[0] && x <= area[2] && y >= area[1] && y <= area[3];
        const avoided = avoid.some((r) => x >= r[0] - 1 && x <= r[2] + 1 && y >= r[1] - 1 && y <= r[3] + 1);
        if (inside && !avoided) result.push(point(x, y, this.colourAt(x, y)));
      }
    }
    return result;
  }
}

// The patterns of PatternIndex in the host: columns, rows or squares of cell
// pixels cycling through the palette.
function pattern(kind, cell, palette) {
  const index = {
    vertical: (x) => Math.floor(x / cell),
    horizontal: (x, y) => Math.floor(y / cell),
    checker: (x, y) => Math.floor(x / cell) + Math.floor(y / cell),
  }[kind];
  return new CellPicture(cell, (x, y) => palette[index(x, y) % palette.length]);
}

const SLIDE_A = pattern('vertical', 16, PALETTE_A);
const SLIDE_B = pattern('horizontal', 12, PALETTE_B);
const SLIDE_C = pattern('checker', 20, PALETTE_C);

// Slide s of the 50-slide deck: 40-pixel squares of palette entry
// (s * 5 + column + 2 * row) mod 256, entry i being (i, 255 - i, 7i mod 256).
function deckSlide(s) {
  return new CellPicture(40, (x, y) => {
    const i = (s * 5 + Math.floor(x / 40) + 2 * Math.floor(y / 40)) & 255;
    return [i, 255 - i, (i * 7) & 255];
  });
}

// A place of the table: its rectangle, inclusive, and its centre.
const place = ({ rect, face }) => ({ rect, face, centre: [(rect[0] + rect[2]) >> 1, (rect[1] + rect[3]) >> 1] });

// The navigation buttons of the navigation deck, kinds 1 to 6.
const NAVIGATION = ['play', 'stop', 'first', 'last', 'previous', 'next'];
const navigationButtons = {};
NAVIGATION.forEach((name, i) => {
  const { x: x0, step, y, side, faces } = scenes.navigation;
  const x = x0 + step * i;
  const [up, over, down] = faces[i].map(rgb);
  navigationButtons[name] = { kind: i + 1, ...place({ rect: [x, y, x + side - 1, y + side - 1] }), up, over, down };
});

// The kind-0 picture of the navigation deck, the step button (play) of the
// sprite and info movies, and the pause button.
const NAVIGATION_PICTURE = place(scenes.navigationPicture);
const STEP_BUTTON = { ...place(scenes.stepButton), up: scenes.stepButton.face };
const PAUSE_BUTTON = place(scenes.pauseButton);

// Every pixel of a width x height exact picture (of player-exact-pictures
// and player-sprite-two-movies) at (left, top): a 1-pixel frame in entry 0
// around a checkerboard of entries 1 (where x + y is even) and 2; and the
// ring of pixels around it, which show the background.
function exactPoints(left, top, width, height, background) {
  const points = [];
  for (let y = -1; y <= height; ++y) {
    for (let x = -1; x <= width; ++x) {
      const outside = x < 0 || y < 0 || x >= width || y >= height;
      const edge = x === 0 || y === 0 || x === width - 1 || y === height - 1;
      const entry = edge ? 0 : (x + y) % 2 ? 2 : 1;
      points.push(point(left + x, top + y, outside ? background : scenes.exact.palette[entry]));
    }
  }
  return points;
}

// player-exact-pictures: rows of kinds, columns of sizes, over a solid slide.
const EXACT = { ...scenes.exact, background: scenes.exact.background[0] };

module.exports = {
  CellPicture, pattern, deckSlide, exactPoints, EXACT, PALETTE_A, PALETTE_C, SLIDE_A, SLIDE_B, SLIDE_C,
  navigationButtons, NAVIGATION_PICTURE, STEP_BUTTON, PAUSE_BUTTON,
};
