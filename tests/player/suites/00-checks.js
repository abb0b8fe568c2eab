// The checks themselves: each must fail on the fault it is there to catch.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const zlib = require('node:zlib');

const { point, readMovie } = require('../harness/player');
const { SLIDE_A, SLIDE_B, PALETTE_A, pattern } = require('../scenes');

// The movie with the rows of its 8-bit bitmaps packed, without the padding
// to 4 bytes that the format requires: what a writer that forgets the
// padding produces for a stage whose width is not a multiple of 4.
function withPackedRows(file) {
  const movie = fs.readFileSync(file);
  const { tags, bitmaps } = readMovie(file);
  const parts = [movie.subarray(0, tags[0].offset)];
  tags.forEach((t, i) => {
    let tag = movie.subarray(t.offset, t.offset + t.headerLength + t.length);
    const b = bitmaps.find((bitmap) => bitmap.tag === i);
    if (t.code === 20 && b.format === 3) {
      const body = tag.subarray(t.headerLength);
      const paletteBytes = b.colours * 3;
      const data = zlib.inflateSync(body.subarray(8));
      const stride = (b.width + 3) & ~3;
      const rows = [data.subarray(0, paletteBytes)];
      for (let y = 0; y < b.height; ++y) rows.push(data.subarray(paletteBytes + y * stride, paletteBytes + y * stride + b.width));
      const packed = Buffer.concat([body.subarray(0, 8), zlib.deflateSync(Buffer.concat(rows), { level: 9 })]);
      const head = Buffer.alloc(6);
      head.writeUInt16LE((20 << 6) | 63, 0);
      head.writeUInt32LE(packed.length, 2);
      tag = Buffer.concat([head, packed]);
    }
    parts.push(tag);
  });
  const result = Buffer.concat(parts);
  result.writeUInt32LE(result.length, 4);
  return result;
}

module.exports = (player) => {
  player.test('checks: a picture other than the expected one fails', async () => {
    const view = await player.play('player-three-slides', { width: 320, height: 240 });
    await view.waitFor(SLIDE_A.points(320, 240));
    view.failureExpected = true;
    await assert.rejects(view.waitFor(SLIDE_B.points(320, 240), { timeout: 500 }), /not shown within 500 ms/);
    await assert.rejects(view.stays([point(8, 8, PALETTE_A[1])], 200), /changed after 1 checks/);
    await assert.rejects(view.waitForRest(SLIDE_B.points(320, 240), { timeout: 500 }), /not at rest within 500 ms/);
  });

  player.test('checks: a blank stage fails and says so', async () => {
    const view = await player.play('one-frame', { width: 550, height: 400 });
    view.failureExpected = true;
    await assert.rejects(view.waitFor([point(100, 100, [0, 0, 0])], { timeout: 800 }), /\(blank\)/);
  });

  player.test('checks: a movie the player gives up on fails', async () => {
    const file = await player.write('player-wide-stage');
    fs.writeFileSync(path.join(path.dirname(file), 'packed-rows.swf'), withPackedRows(file));
    // The player may give up while the movie loads or once it draws: either
    // must fail the check.
    await assert.rejects((async () => {
      const view = await player.open('packed-rows', { width: 322, height: 120 });
      view.failureExpected = true;
      await view.waitFor(pattern('vertical', 23, PALETTE_A).points(322, 120), { timeout: 3000 });
    })(), /the player failed:[^]*(RuntimeError: unreachable|Unable to lock Ruffle core)/);
  });
};
