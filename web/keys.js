// Keys pressed on the scene: the program's keyboard callback takes those
// that type a character, as its desktop toolkit passes them; the rest stay
// the browser's. The page's input line keeps its own keys (input.js, whose
// listener runs first and takes a key while the program waits for a line).

// The character code the desktop toolkit passes for a key, or null for a
// key the scene leaves to the browser. The scene takes keys that type a
// character (AltGr ones too), and Backspace, Delete, Enter and Escape; Tab,
// function keys, arrows and every combination with Ctrl, Alt or Meta stay
// the browser's (its shortcuts, and Tab to move the focus on), as on any web
// page.
export function characterCode(event) {
  const altGraph = event.getModifierState && event.getModifierState('AltGraph');
  if (!altGraph && (event.ctrlKey || event.altKey || event.metaKey)) return null;
  const named = { Enter: 13, Backspace: 8, Escape: 27, Delete: 127 };
  let code;
  if (event.key in named) code = named[event.key];
  else if (Array.from(event.key).length === 1) code = event.key.codePointAt(0);  // not a key's name
  else return null;
  return code < 256 ? code : 63;  // beyond Latin-1: '?', a key all the same
}

export function setupKeys(page) {
  page.$('canvas').addEventListener('keydown', (event) => {
    const program = page.program();
    const code = event.defaultPrevented ? null : characterCode(event);
    if (code === null || !program || !program.keyboardFunc || page.halted()) return;
    event.preventDefault();
    program.pressKey(code);
  });
}
