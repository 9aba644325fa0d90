// Which keys the scene takes, and as which character code.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { characterCode } from '../../../web/keys.js';

test('a key is the scene\'s, with its character code, or the browser\'s', () => {
  const altGraph = (on) => ({ getModifierState: (name) => on && name === 'AltGraph' });
  for (const [event, code] of [
    [{ key: 'a' }, 97],
    [{ key: ' ' }, 32],
    [{ key: 'Enter' }, 13],
    [{ key: 'Delete' }, 127],
    [{ key: 'é' }, 233],
    [{ key: '€' }, 63],                      // beyond Latin-1: '?'
    [{ key: '😀' }, 63],                     // one character, two UTF-16 units
    [{ key: 'Tab' }, null],
    [{ key: 'ArrowUp' }, null],
    [{ key: 'c', ctrlKey: true }, null],
    [{ key: '@', ctrlKey: true, altKey: true, ...altGraph(true) }, 64],
    [{ key: 'a', altKey: true, ...altGraph(false) }, null],
  ]) {
    assert.equal(characterCode(event), code, JSON.stringify(event));
  }
});
