// The input line: what is typed there and ends with Enter goes to the
// program's standard input, echoed in the console pane as a terminal does.
// Lines typed before the program runs wait for it, as a terminal keeps
// typed-ahead lines; once it has stopped, the line is disabled.

import { characterCode } from './keys.js';

// Lines typed before the modules ran, which early.js kept.
export function takeEarlyLines(stdin) {
  const lines = JSON.parse(stdin.dataset.early || '[]');
  delete stdin.dataset.early;
  return lines;
}

// Returns sendLine(text), which hands one line (without its end) to
// standard input, echoed after the prompt it answers. The page's other
// controls answer through it too, so that what they send reads as typed.
// Each line is announced ('line') before the program can read it.
export function setupInput(page, output) {
  const { bus, $ } = page;
  const stdin = $('stdin');
  const canvas = $('canvas');
  const note = $('stdin-note');
  const early = [];   // lines typed before the program could take them

  function sendLine(text) {
    if (page.halted()) return;
    const line = text + '\n';
    output.add(line, false);
    bus.emit('line', text);
    const program = page.program();
    if (program) program.input(line);
    else early.push(line);
  }
  // The program's standard input exists once its script has run.
  bus.on('loaded', () => {
    const program = page.program();
    for (const line of early.splice(0)) program.input(line);
  });

  function send() {
    const text = stdin.value;
    stdin.value = '';
    sendLine(text);
  }

  stdin.addEventListener('keydown', (event) => {
    // The Enter that confirms an input method's composition is not the
    // end of the line.
    if (event.key !== 'Enter' || event.isComposing || event.keyCode === 229) return;
    event.preventDefault();
    send();
  });

  // While the program waits for a line, what is typed on the scene was
  // meant for the input line: it goes there, and so does the focus.
  canvas.addEventListener('keydown', (event) => {
    const program = page.program();
    if (!program || !program.waiting() || page.halted() || characterCode(event) === null) {
      return;
    }
    event.preventDefault();
    stdin.focus();
    if (event.key === 'Enter') send();
    else if (event.key === 'Backspace') stdin.value = stdin.value.slice(0, -1);
    else if (Array.from(event.key).length === 1) stdin.value += event.key;
  });

  bus.on('waiting', (waiting) => {
    stdin.classList.toggle('waiting', waiting);
    if (waiting && document.activeElement !== stdin) stdin.focus();
  });

  bus.on('halted', () => {
    stdin.disabled = true;
    stdin.classList.remove('waiting');
    note.textContent = 'The program has stopped, so it reads no more input. ' +
      'Reload the page to start again.';
    note.hidden = false;
  });

  return sendLine;
}
