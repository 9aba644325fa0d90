// The six numbers of a drop: the fields' and the link's reading.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { ballOfQuery, fieldNumber } from '../../../web/ball.js';

test('a field reads as the number to send, or says why not', () => {
  for (const [text, read] of [
    [' -300 ', { number: '-300' }],
    ['2,5', { number: '2.5' }],                 // a keypad's decimal comma
    ['.5e3', { number: '.5e3' }],
    ['', { problem: 'Enter a number.' }],
    ['NaN', { problem: 'Not a number.' }],
    ['0x10', { problem: 'Not a number.' }],
    ['1e39', { problem: 'Too large for the program.' }],  // beyond single precision
  ]) {
    assert.deepEqual(fieldNumber(text), read, text);
  }
});

test('an address asks for a drop of six numbers, or for none', () => {
  for (const [search, parsed] of [
    ['', null],
    ['?steps=3', null],
    ['?ball=2,3,2,0,-300,0', { numbers: ['2', '3', '2', '0', '-300', '0'] }],
    ['?ball=%202%20,3,2,0,-300,0', { numbers: ['2', '3', '2', '0', '-300', '0'] }],
    ['?ball=', { problem: 'it has 1 value instead of six' }],
    ['?ball=1,2,3,4,5,6,7', { problem: 'it has 7 values instead of six' }],
    ['?ball=1,2,3,4,5,Infinity',
      { problem: '"Infinity" is not a finite number the program can take' }],
    ['?ball=1,2,3,4,5,' + '9'.repeat(40),
      { problem: '"' + '9'.repeat(24) + '…" is not a finite number the program can take' }],
  ]) {
    assert.deepEqual(ballOfQuery(search), parsed, search);
  }
});
