// The page's mirror of the program in its worker.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { RemoteProgram } from '../../../web/remote.js';

const state = (fields) => ({ handled: 0, steps: 5, frames: 2, firstFrameTime: 1, redisplay: false,
  keyboardFunc: 7, waiting: false, paused: false, pauseAt: null, stepLimit: Infinity,
  halted: false, ballState: null, heapInUse: null, ...fields });

function mirror() {
  const posted = [];
  const hooks = [];
  const program = new RemoteProgram({ postMessage: (m) => posted.push(m) },
    (name, args) => hooks.push([name, ...args, program.steps]));
  return { program, posted, hooks };
}

test('what a call changes holds until the worker has seen the call', () => {
  const { program } = mirror();
  program.pause();
  program.receive({ state: state({ handled: 0, steps: 6 }) });
  assert.deepEqual([program.paused, program.steps, program.synced()], [true, 6, false]);
  program.receive({ state: state({ handled: 1, paused: false }) });
  assert.deepEqual([program.paused, program.synced()], [false, true]);
});

test('output, then the state, then the hook, in the order they came', () => {
  const { program, hooks } = mirror();
  program.receive({ output: [[1, 'a'], [2, 'b']] });
  program.receive({ hook: 'orbiquelStarted', args: [], state: state({ steps: 1 }) });
  assert.deepEqual(hooks, [['orbiquelOutput', 1, 'a', 0], ['orbiquelOutput', 2, 'b', 0],
    ['orbiquelStarted', 1]]);
});

test('a key is posted only where the program could take it', () => {
  for (const [fields, taken] of [[{}, true], [{ waiting: true }, false],
    [{ keyboardFunc: 0 }, false], [{ halted: true }, false]]) {
    const { program, posted } = mirror();
    program.receive({ state: state(fields) });
    assert.equal(program.pressKey(120), taken, JSON.stringify(fields));
    assert.equal(posted.length, taken ? 1 : 0);
  }
});
