// Movies that start an ADPCM sound in their first frame play without the
// player reporting a decoding or audio error: a 22 kHz 16-bit file encoded
// as it is, and a 48 kHz float file that the library resamples to 44.1 kHz.
'use strict';

const assert = require('node:assert/strict');

const { point } = require('../harness/player');

const SOUNDS = [
  ['sound', 'a sound started in the first frame plays without a player error'],
  ['sound-48k-float', 'a 48 kHz float WAV sound plays without a player error'],
];

module.exports = (player) => {
  for (const [scenario, title] of SOUNDS) {
    player.test(title, async () => {
      const view = await player.play(scenario, { width: 320, height: 240 });
      assert.equal(view.metadata.numFrames, 1);
      const picture = [
        point(20, 20, [255, 255, 255]), point(300, 220, [255, 255, 255]),
        point(20, 120, [40, 90, 200]), point(300, 110, [40, 90, 200]),
      ];
      // The sound is about a second long: let it play out.
      await view.waitFor(picture, { tolerance: 0, stays: 1500, what: 'the sound slide' });
      assert.deepEqual(view.soundTrouble(), [], 'the player reported trouble with the sound');
    });
  }
};
