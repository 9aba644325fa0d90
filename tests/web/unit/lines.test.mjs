// A console pane's line arithmetic: what it counts, keeps and lets go.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { blocksToDrop, countLines, lastLines } from '../../../web/lines.js';

test('lines are counted by their ends', () => {
  for (const [text, lines] of [['', 0], ['a', 0], ['a\n', 1], ['\n\nb\n', 3]]) {
    assert.equal(countLines(text), lines, JSON.stringify(text));
  }
});

test('the last lines kept are whole, with the line being written', () => {
  for (const [text, keep, kept] of [
    ['a\nb\nc\nd', 2, 'b\nc\nd'],
    ['a\nb\nc\n', 2, 'b\nc\n'],
    ['a\n', 5, 'a\n'],
  ]) {
    assert.equal(lastLines(text, keep), kept, JSON.stringify([text, keep]));
  }
});

test('old blocks go only while the rest still hold the lines kept', () => {
  for (const [blockLines, keep, drop] of [
    [[5, 5, 5], 10, 1],
    [[5, 5, 5], 11, 0],
    [[3, 3, 3, 3], 3, 3],
  ]) {
    assert.equal(blocksToDrop(blockLines, keep), drop, JSON.stringify([blockLines, keep]));
  }
});
