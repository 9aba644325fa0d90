// Answers without a keyboard: while the program waits at the menu, its two
// answers as buttons; for answer 2, six number fields (the ball's position
// and velocity) and a button that drops the ball. Everything goes to
// standard input through page.sendLine, so it is echoed as if typed, and
// the input line works as before beside them.
'use strict';

window.OrbiquelPage = window.OrbiquelPage || {};

// The fields, in the order of the program's prompts, with the help text's
// example drop as their first values.
OrbiquelPage.BALL_FIELDS = [
  ['x', 'position x', '2'], ['y', 'position y', '3'], ['z', 'position z', '2'],
  ['vx', 'velocity x', '0'], ['vy', 'velocity y', '-300'], ['vz', 'velocity z', '0'],
];

// A field's text as the number to send, or the reason it cannot be sent.
// The program reads single-precision numbers, so a finite number beyond
// their range would be refused by it; a decimal comma, which some phones'
// keypads offer instead of a point, is read as a point.
OrbiquelPage.fieldNumber = function (text) {
  let t = text.trim();
  if (!t.includes('.') && (t.match(/,/g) || []).length === 1) t = t.replace(',', '.');
  if (!/^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/.test(t)) {
    return { problem: t === '' ? 'Enter a number.' : 'Not a number.' };
  }
  if (!Number.isFinite(Math.fround(Number(t)))) return { problem: 'Too large for the program.' };
  return { number: t };
};

OrbiquelPage.setupControls = function (page) {
  const answers = page.$('answers');
  const form = page.$('ball-form');
  const grid = page.$('ball-fields');
  const fields = [];

  for (const [id, name, value] of OrbiquelPage.BALL_FIELDS) {
    const cell = document.createElement('div');
    cell.className = 'field';
    const label = document.createElement('label');
    label.htmlFor = 'ball-' + id;
    label.textContent = name;
    const input = document.createElement('input');
    Object.assign(input, { id: 'ball-' + id, type: 'text', inputMode: 'decimal', value: value,
      autocomplete: 'off', spellcheck: false });
    input.setAttribute('aria-describedby', 'ball-' + id + '-problem');
    // Decimal keypads often lack a minus sign.
    const sign = document.createElement('button');
    sign.type = 'button';
    sign.className = 'sign';
    sign.textContent = '±';
    sign.setAttribute('aria-label', 'Change the sign of ' + name);
    sign.addEventListener('click', () => {
      const t = input.value.trim();
      input.value = t.startsWith('-') ? t.slice(1) : t.startsWith('+') ? '-' + t.slice(1) : '-' + t;
    });
    const problem = document.createElement('span');
    problem.id = 'ball-' + id + '-problem';
    problem.className = 'problem';
    cell.append(label, input, sign, problem);
    grid.appendChild(cell);
    fields.push({ input, problem });
  }

  // Drops the ball as typing would: a key for the menu unless it is open,
  // then answer 2 and the six numbers, or, at a ball prompt, the numbers
  // still asked for.
  page.drop = (numbers) => {
    const program = page.program();
    if (!program || page.halted) return;
    const prompt = page.prompt;
    if (typeof prompt === 'number') {
      page.sendLine(numbers.slice(prompt).join(' '));
      return;
    }
    if (prompt !== 'menu' && !program.pressKey(OrbiquelPage.TAP_KEY)) return;
    page.sendLine('2');
    page.sendLine(numbers.join(' '));
  };

  function showFields() {
    form.hidden = false;
  }

  page.$('answer-1').addEventListener('click', () => page.sendLine('1'));
  page.$('answer-2').addEventListener('click', () => {
    showFields();
    fields[0].input.focus();
  });

  form.addEventListener('submit', (event) => {
    event.preventDefault();
    const read = fields.map(({ input }) => OrbiquelPage.fieldNumber(input.value));
    read.forEach(({ problem }, i) => {
      fields[i].problem.textContent = problem || '';
      fields[i].input.setAttribute('aria-invalid', problem ? 'true' : 'false');
    });
    const wrong = read.findIndex(({ problem }) => problem);
    if (wrong !== -1) {
      fields[wrong].input.focus();
      return;
    }
    const numbers = read.map(({ number }) => number);
    fields.forEach(({ input }, i) => (input.value = numbers[i]));
    page.drop(numbers);
  });

  page.on('prompt', (prompt) => {
    answers.hidden = prompt !== 'menu';
    // A tap opened the menu: its answers, not the input line (whose focus
    // would bring up a phone's keyboard), take the focus.
    if (prompt === 'menu' && page.touchKey) page.$('answer-1').focus();
  });
  page.on('dropped', (numbers) => fields.forEach(({ input }, i) => (input.value = numbers[i])));
  page.on('halted', () => {
    answers.hidden = true;
    form.querySelector('#drop').disabled = true;
  });
};
