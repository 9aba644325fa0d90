import assert from 'node:assert/strict';
import { test } from 'node:test';
import { floatText, stateWords } from '../../../web/state.js';

test('a float is written as the shortest decimal that reads back as it', () => {
  for (const [value, text] of [
    [0.5, '0.5'], [Math.fround(0.1), '0.1'], [Math.fround(2 / 3), '0.6666667'],
    [Math.fround(16777217), '16777216'], [Math.fround(1e-7), '1e-7'], [-0, '-0'],
    [Math.fround(0.50000006), '0.50000006'],
  ]) {
    assert.equal(floatText(value), text);
    assert.equal(Math.fround(Number(text)), value);
  }
});

test('the ball is described by its motion and what it touches', () => {
  for (const [position, velocity, words] of [
    [[2, 0.5, 2], [0, 0, 0], 'at rest, touching the floor'],
    [[5, 10, 0], [0, 0, 0], 'at rest, clear of the floor and walls'],
    [[2, 3, 2], [0, -300, 0], 'moving, clear of the floor and walls'],
    [[0.5, 0.5, 3], [0, 0, 0], 'at rest, touching the floor and the wall at x = 0'],
    [[2, 3, 0.2], [0, 0, 0], 'at rest, cutting into the wall at z = 0'],
    [[6.9, 0.5, 0.05], [0, 0, 0], 'at rest, touching the floor, cutting into the wall at z = 0'],
    [[6, 0.5, 6], [0, 0, 0], 'at rest, clear of the floor and walls'],
    [[NaN, 1, 1], [0, 0, 0], 'lost: its position or velocity is not a finite number'],
  ]) {
    assert.equal(stateWords(position, velocity, 0.5), words, String(position));
  }
});
