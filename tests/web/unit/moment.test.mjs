import assert from 'node:assert/strict';
import { test } from 'node:test';
import { momentQuery, parseMoment } from '../../../web/moment.js';

const B = 'ball=2,3,2,0,-300,0&';

test('a moment in the address is read strictly', () => {
  for (const [query, read] of [
    ['', null],
    [B, null],
    [B + 'at=120&pause=300', { at: 120, pause: 300 }],
    [B + 'at=120&pause=120', { at: 120, pause: 120 }],
    ['pause=7', { at: null, pause: 7 }],
    [B + 'at=120', 'at= comes without pause=, the step to pause at'],
    ['at=1&pause=2', 'at= comes without ball=, the drop made at that step'],
    [B + 'pause=2', 'ball= comes without at=, the step the drop was made at'],
    [B + 'at=1&pause=2&pause=3', 'pause= is given 2 times'],
    [B + 'at=1.5&pause=3', 'at="1.5" is not a whole number'],
    [B + 'at=1&pause=-3', 'pause="-3" is not a whole number'],
    [B + 'at=1&pause=', 'pause="" is not a whole number'],
    [B + 'at=0&pause=3', 'at=0 names no step: the first step is 1'],
    [B + 'at=1&pause=1000001', 'pause=1000001 is beyond step 1,000,000'],
    [B + 'at=5&pause=4', 'pause=4 comes before the drop at=5'],
  ]) {
    const got = parseMoment(new URLSearchParams(query));
    assert.deepEqual(got, typeof read === 'string' ? { problem: read } : read, query);
  }
});

test('a moment written to the address reads back as itself', () => {
  for (const [drop, pause] of [[{ numbers: ['2', '3', '2', '0', '-3e2', '0'], at: 1 }, 9],
    [null, 4]]) {
    const params = new URLSearchParams(momentQuery(drop, pause));
    assert.deepEqual(parseMoment(params), { at: drop && drop.at, pause });
    assert.equal(params.get('ball'), drop && drop.numbers.join(','));
  }
});
