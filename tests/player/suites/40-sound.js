// A movie that starts an ADPCM sound in its first frame plays without the
// player reporting a decoding or audio error.
'use strict';

const assert = require('node:assert/strict');

const { point } = require('../harness/player');

// Console messages of the player that speak of a sound going wrong.
const SOUND_TROUBLE = /(sound|audio|adpcm)/i;
const TROUBLE = /(error|fail|invalid|unsupported|panic)/i;

module.exports = (player) => {
  player.test('a sound started in the first frame plays without a player error', async () => {
    await player.write('sound');
    const view = await player.open('sound', { width: 320, height: 240 });
    assert.equal(view.metadata.numFrames, 1);
    const picture = [
      point(20, 20, [255, 255, 255]), point(300, 220, [255, 255, 255]),
      point(20, 120, [40, 90, 200]), point(300, 110, [40, 90, 200]),
    ];
    await view.waitFor(picture, { tolerance: 0, what: 'the sound slide' });
    // The sound is about a second long: let it play out.
    await view.stays(picture, 1500, { tolerance: 0, what: 'the sound slide' });
    const trouble = view.messages.filter((m) => SOUND_TROUBLE.test(m) && TROUBLE.test(m));
    assert.deepEqual(trouble, [], 'the player reported trouble with the sound');
  });
};
