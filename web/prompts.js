// What the program waits for, told from what it writes and reads: the
// menu, one of the six ball prompts, or nothing. And which drops it made:
// the page follows the words handed to standard input ('line') as the
// program's reads take them (one for the menu, one per ball prompt), so
// that a drop typed in the input line is known as well as one made with the
// controls.
//
// Emits 'prompt' and 'dropped' (see bus.js).

// The program's own texts, as app/Keyboard.cpp writes them: the menu's
// last line and the ball prompts, in the order it asks them.
export const MENU_END = 'Run Specific Test: 2\n';
export const BALL_PROMPTS = ['Ball Position x: ', 'Ball Position y: ', 'Ball Position z: ',
  'Ball Velocity x: ', 'Ball Velocity y: ', 'Ball Velocity z: '];

export function setupPrompts({ bus }) {
  let tail = '';          // the end of standard output, enough for a prompt
  let sinceMenu = null;   // standard output since the menu was written
  let complaint = false;  // standard error since then
  let words = [];         // handed to standard input, not yet taken by a menu

  bus.on('line', (text) => words.push(...text.split(/\s+/).filter((word) => word !== '')));

  bus.on('output', ({ fd, text }) => {
    if (fd === 2) {
      complaint = true;
      return;
    }
    tail = (tail + text).slice(-64);
    if (sinceMenu !== null) sinceMenu += text;
    if (tail.endsWith(MENU_END)) {
      sinceMenu = '';
      complaint = false;
    }
  });

  bus.on('waiting', (waiting) => {
    let prompt = null;
    if (waiting) {
      prompt = tail.endsWith(MENU_END) ? 'menu' : BALL_PROMPTS.findIndex((p) => tail.endsWith(p));
      if (prompt === -1) prompt = 'other';
    }
    bus.emit('prompt', prompt);
  });

  // The key's callback has ended: the menu took one word and each prompt
  // one more. A word that was not understood drops the rest of its line,
  // which the page cannot see, so it starts afresh.
  bus.on('keyDone', () => {
    if (sinceMenu === null) return;
    const asked = BALL_PROMPTS.filter((p) => sinceMenu.includes(p)).length;
    const numbers = words.slice(1, 7);
    if (complaint) {
      words = [];
    } else {
      words = words.slice(1 + asked);
      if (asked === 6 && numbers.length === 6) bus.emit('dropped', numbers);
    }
    sinceMenu = null;
  });
}
