// The page's bus: its events are the listed ones, and a failing listener
// stops neither the others nor the code that emitted.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { PageBus } from '../../../web/bus.js';

test('a listener that throws is reported, and the others still run', (t) => {
  const reported = t.mock.method(console, 'error', () => {});
  const bus = new PageBus();
  const heard = [];
  bus.on('output', () => {
    throw new Error('a fault of the page');
  });
  bus.on('output', (detail) => heard.push(detail));
  bus.emit('output', { fd: 1, text: 'x' });
  assert.deepEqual(heard, [{ fd: 1, text: 'x' }]);
  assert.equal(reported.mock.callCount(), 1);
});

test('an event that is not listed is refused', () => {
  const bus = new PageBus();
  assert.throws(() => bus.on('outptu', () => {}), /no event 'outptu'/);
  assert.throws(() => bus.emit('dropd'), /no event 'dropd'/);
});
