// The input line: what is typed there and ends with Enter goes to the
// program's standard input, echoed in the console pane as a terminal does.
'use strict';

window.OrbiquelPage = window.OrbiquelPage || {};

OrbiquelPage.setupInput = function (page) {
  const stdin = page.$('stdin');

  // Hands one line (without its end) to standard input, echoed after the
  // prompt it answers. The page's other controls answer through this too,
  // so that what they send reads as typed.
  page.sendLine = (text) => {
    const line = text + '\n';
    page.output.add(line, false);
    const program = page.program();
    if (program && !page.halted) program.input(line);
  };

  stdin.addEventListener('keydown', (event) => {
    if (event.key !== 'Enter') return;
    event.preventDefault();
    const text = stdin.value;
    stdin.value = '';
    page.sendLine(text);
  });

  page.on('waiting', (waiting) => {
    stdin.classList.toggle('waiting', waiting);
    if (waiting) stdin.focus();
  });
  // Back to the scene for the next key, unless a line is being typed ahead.
  page.on('keyDone', () => {
    if (document.activeElement === stdin && stdin.value === '') page.$('canvas').focus();
  });
};
