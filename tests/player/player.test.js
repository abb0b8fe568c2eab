// The real-player tests: every suite in suites/ (in name order) shares one
// browser and one server for the whole run. CTest runs this file with
// QUILLON_HOST naming the host program that writes the movies.
'use strict';

const { after } = require('node:test');
const fs = require('node:fs');
const path = require('node:path');

const { Player } = require('./harness/player');

const player = new Player();
after(() => player.stop());

const dir = path.join(__dirname, 'suites');
for (const file of fs.readdirSync(dir).filter((f) => f.endsWith('.js')).sort()) {
  require(path.join(dir, file))(player);
}
