// Answers without a keyboard: while the program waits at the menu, its two
// answers as buttons; for answer 2, six number fields (the ball's position
// and velocity) and a button that drops the ball. Everything goes to
// standard input through sendLine, so it is echoed as if typed, and the
// input line works as before beside them.
import { fieldNumber } from './ball.js';
import { TAP_KEY } from './touch.js';

// The fields, in the order of the program's prompts, with the help text's
// example drop as their first values.
const BALL_FIELDS = [
  ['x', 'position x', '2'], ['y', 'position y', '3'], ['z', 'position z', '2'],
  ['vx', 'velocity x', '0'], ['vy', 'velocity y', '-300'], ['vz', 'velocity z', '0'],
];

// Returns drop(numbers), which drops the ball as typing would: a key for
// the menu unless it is open, then answer 2 and the six numbers, or, at a
// ball prompt, the numbers still asked for.
export function setupControls(page, sendLine) {
  const { bus, $ } = page;
  const answers = $('answers');
  const form = $('ball-form');
  const grid = $('ball-fields');
  const fields = [];
  let prompt = null;     // what the program waits for ('prompt')
  let tapped = false;    // the scene's last key was a tap's

  for (const [id, name, value] of BALL_FIELDS) {
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
    // The name starts with the visible label, for those who speak it.
    sign.setAttribute('aria-label', '± change the sign of ' + name);
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

  // A drop answers each prompt as the program asks it, as a person types,
  // so that the transcript interleaves the same wherever the program runs
  // (in a worker, its prompts come after the page has gone on).
  let dropping = null;   // the numbers of a drop under way
  function advance() {
    const program = page.program();
    if (!dropping || !program || page.halted()) {
      dropping = null;
    } else if (typeof prompt === 'number') {
      sendLine(dropping.slice(prompt).join(' '));
      dropping = null;
    } else if (prompt === 'menu') {
      sendLine('2');
    } else if (!program.pressKey(TAP_KEY)) {
      dropping = null;
    }
  }
  function drop(numbers) {
    dropping = numbers;
    advance();
  }
  // After the program's read has returned: where it runs on the page, the
  // prompt comes while its stack is being unwound.
  bus.on('prompt', (asked) => asked !== null && dropping && queueMicrotask(advance));
  bus.on('keyDone', () => (dropping = null));

  $('answer-1').addEventListener('click', () => sendLine('1'));
  $('answer-2').addEventListener('click', () => {
    form.hidden = false;
    fields[0].input.focus();
  });

  form.addEventListener('submit', (event) => {
    event.preventDefault();
    const read = fields.map(({ input }) => fieldNumber(input.value));
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
    drop(numbers);
  });

  // A tap's key counts until the program answers it (with a prompt, or by
  // ending the key's callback) or a key from a keyboard follows.
  bus.on('tap', () => (tapped = true));
  bus.on('keyDone', () => (tapped = false));
  $('canvas').addEventListener('keydown', () => (tapped = false));
  bus.on('prompt', (waitingFor) => {
    prompt = waitingFor;
    answers.hidden = prompt !== 'menu';
    // A tap opened the menu: its answers, not the input line (whose focus
    // would bring up a phone's keyboard), take the focus.
    if (prompt === 'menu' && tapped) $('answer-1').focus();
    tapped = false;
  });
  bus.on('dropped', (numbers) => fields.forEach(({ input }, i) => (input.value = numbers[i])));
  bus.on('halted', () => {
    answers.hidden = true;
    form.querySelector('#drop').disabled = true;
  });

  return drop;
}
