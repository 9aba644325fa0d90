// What the program waits for, told from what it writes and reads: the
// menu, one of the six ball prompts, or nothing. And which drops it made:
// the page follows the words handed to standard input as the program's
// reads take them (one for the menu, one per ball prompt), so that a drop
// typed in the input line is known as well as one made with the controls.
//
// Emits 'prompt' (null while the program runs, 'menu', or the index 0 to 5
// of the ball prompt it waits at) and 'dropped' (the six numbers, as typed).
'use strict';

window.OrbiquelPage = window.OrbiquelPage || {};

OrbiquelPage.MENU_END = 'Run Specific Test: 2\n';
OrbiquelPage.BALL_PROMPTS = ['Ball Position x: ', 'Ball Position y: ', 'Ball Position z: ',
  'Ball Velocity x: ', 'Ball Velocity y: ', 'Ball Velocity z: '];

OrbiquelPage.setupPrompts = function (page) {
  const prompts = OrbiquelPage.BALL_PROMPTS;
  let tail = '';          // the end of standard output, enough for a prompt
  let sinceMenu = null;   // standard output since the menu was written
  let complaint = false;  // standard error since then
  let words = [];         // handed to standard input, not yet taken by a menu

  page.prompt = null;

  const sendLine = page.sendLine;
  page.sendLine = (text) => {
    words.push(...text.split(/\s+/).filter((word) => word !== ''));
    sendLine(text);
  };

  page.on('output', (fd, text) => {
    if (fd === 2) {
      complaint = true;
      return;
    }
    tail = (tail + text).slice(-64);
    if (sinceMenu !== null) sinceMenu += text;
    if (tail.endsWith(OrbiquelPage.MENU_END)) {
      sinceMenu = '';
      complaint = false;
    }
  });

  page.on('waiting', (waiting) => {
    let prompt = null;
    if (waiting) {
      prompt = tail.endsWith(OrbiquelPage.MENU_END) ? 'menu'
        : prompts.findIndex((p) => tail.endsWith(p));
      if (prompt === -1) prompt = 'other';
    }
    page.prompt = prompt;
    page.emit('prompt', prompt);
  });

  // The key's callback has ended: the menu took one word and each prompt
  // one more. A word that was not understood drops the rest of its line,
  // which the page cannot see, so it starts afresh.
  page.on('keyDone', () => {
    if (sinceMenu === null) return;
    const asked = prompts.filter((p) => sinceMenu.includes(p)).length;
    const numbers = words.slice(1, 7);
    if (complaint) {
      words = [];
    } else {
      words = words.slice(1 + asked);
      if (asked === 6 && numbers.length === 6) page.emit('dropped', numbers);
    }
    sinceMenu = null;
  });
};
