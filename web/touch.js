// A tap on the scene is a key: on a touch screen there is no key to press
// there, so a finger or a pen that touches the scene and lifts again where
// it came down presses one, once per tap. A swipe or a pinch is the
// browser's (it scrolls or zooms the page) and presses nothing; a mouse
// click only focuses the scene, as before.

// The key a tap presses: character code 32, a space. Every key with a
// character code opens the program's menu and none is read further, so any
// would do; the space is the one scripts/run presses on the desktop.
export const TAP_KEY = 32;
// How far a finger may wander, in CSS pixels, and how long it may rest,
// and still tap rather than swipe or press and hold.
const TAP_SLOP = 10;
const TAP_TIME = 800;

// Emits 'tap' before each tap's key press.
export function setupTouch(page) {
  const canvas = page.$('canvas');
  let tap = null;   // the finger or pen that may be tapping: {id, x, y, time}

  canvas.addEventListener('pointerdown', (event) => {
    if (event.pointerType !== 'touch' && event.pointerType !== 'pen') return;
    // No mouse events made up from the touch: their press would take the
    // focus back to the scene from the menu's answers. Scrolling and
    // zooming stay the browser's.
    event.preventDefault();
    // A second finger makes it a pinch.
    tap = tap === null && event.isPrimary
      ? { id: event.pointerId, x: event.clientX, y: event.clientY, time: event.timeStamp }
      : null;
  });
  canvas.addEventListener('pointermove', (event) => {
    if (tap && event.pointerId === tap.id &&
        Math.hypot(event.clientX - tap.x, event.clientY - tap.y) > TAP_SLOP) {
      tap = null;
    }
  });
  // The browser cancels the pointer when it takes the touch for a scroll
  // or a zoom.
  canvas.addEventListener('pointercancel', () => (tap = null));
  canvas.addEventListener('pointerup', (event) => {
    const ended = tap;
    tap = null;
    if (!ended || event.pointerId !== ended.id ||
        Math.hypot(event.clientX - ended.x, event.clientY - ended.y) > TAP_SLOP ||
        event.timeStamp - ended.time > TAP_TIME) {
      return;
    }
    const program = page.program();
    if (!program || page.halted()) return;
    canvas.focus({ preventScroll: true });
    page.bus.emit('tap');
    program.pressKey(TAP_KEY);
  });
}
