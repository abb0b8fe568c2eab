// Slide pictures and stops, as the player shows them.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');

const { readMovie } = require('../harness/player');
const { CellPicture, SLIDE_A, SLIDE_B, PALETTE_A, PALETTE_C, pattern, deckSlide } = require('../scenes');

module.exports = (player) => {
  // Movies that show one picture at rest: their header as the player reads
  // it (the keys given), the picture at the centres of its cells, and how
  // long it must stay.
  const STILLS = [
    // Without its stop the movie would show slide 2 after 1/12 s.
    ['three stopped slides: the first shows exactly its palette colours and stays', 'player-three-slides',
      { width: 320, height: 240, frameRate: 12, numFrames: 3, swfVersion: 4 }, SLIDE_A,
      { stays: 1200, tolerance: 0, what: 'slide 1' }],
    // Stages of odd, tiny and large sizes, every sampled pixel exact.
    ['a 322 x 120 stage, whose rows need padding, shows its picture', 'player-wide-stage', { width: 322, height: 120 },
      pattern('vertical', 23, PALETTE_A), { tolerance: 0 }],
    ['a 1 x 1 stage shows its pixel', 'player-tiny-stage', { width: 1, height: 1 },
      new CellPicture(1, () => [0xc8, 0x30, 0x64]), { tolerance: 0 }],
    ['a 1024 x 768 stage is reported at its size and shows its slide', 'player-large-stage', { width: 1024, height: 768 },
      pattern('checker', 64, PALETTE_C), { tolerance: 0 }],
    // Playing on past the end would loop back to slide 1 within 1/6 s.
    ['a slide without a stop plays on to the stopped one after it', 'player-stop-on-second',
      { width: 320, height: 240, numFrames: 2 }, SLIDE_B, { stays: 1500, what: 'slide 2' }],
  ];
  for (const [title, scenario, header, picture, options] of STILLS) {
    player.test(title, async () => {
      const view = await player.play(scenario, header);
      assert.deepEqual(Object.fromEntries(Object.keys(header).map((key) => [key, view.metadata[key]])), header);
      await view.waitFor(picture.points(header.width, header.height), options);
    });
  }

  player.test('a 50-slide 800 x 600 deck has its true length in its header and plays to its end', async () => {
    const file = await player.write('player-deck-50');
    const { header } = readMovie(file);
    assert.equal(header.version, 4);
    assert.equal(header.fileLength, fs.statSync(file).size);
    assert.deepEqual([header.width, header.height, header.frameRate, header.frameCount], [800, 600, 30, 50]);

    const view = await player.open('player-deck-50', { width: 800, height: 600 });
    assert.deepEqual(view.metadata, { width: 800, height: 600, frameRate: 30, numFrames: 50, swfVersion: 4 });
    await view.waitFor(deckSlide(49).points(800, 600), { timeout: 15000, stays: 500, what: 'slide 50' });
  });
};
