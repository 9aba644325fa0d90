// The page around the program: loads it, shows its standard output and
// standard error, hands the input line to its standard input, keeps the
// status line, and says plainly when the program cannot run.
'use strict';

(function () {
  const $ = (id) => document.getElementById(id);
  const canvas = $('canvas');
  const consolePane = $('console');
  const errorPane = $('stderr');
  const stdin = $('stdin');
  const status = $('status');
  const count = $('count');
  const fault = $('fault');

  function showFault(text) {
    fault.textContent = text;
    fault.hidden = false;
    status.textContent = 'Stopped.';
  }

  // A pane of text as the program writes it: at least the last `keep`
  // complete lines and the line being written. New text goes to the page at
  // most once per frame: its complete lines as one block appended (so that
  // the browser lays out only that block), the line being written in a block
  // of its own at the end. The oldest blocks go once the lines after them
  // are enough, so a flowing transcript costs the page little and its memory
  // stays bounded.
  class Transcript {
    constructor(pane, keep) {
      this.pane = pane;
      this.keep = keep;
      this.pending = [];
      this.pendingLines = 0;
      this.blocks = [];         // [block, its lines]
      this.shownLines = 0;
      this.written = 0;
      this.restart = false;
      this.current = document.createElement('div');
      pane.appendChild(this.current);
    }

    // Counted text is the program's; an echo of typed input is not.
    add(text, counted) {
      let lines = 0;
      for (let i = text.indexOf('\n'); i !== -1; i = text.indexOf('\n', i + 1)) lines++;
      if (counted) this.written += lines;
      this.pending.push(text);
      this.pendingLines += lines;
      // Not drawn for a long while (a page in the background): only the last
      // lines are kept, and they replace the pane's.
      if (this.pendingLines > 2 * this.keep) {
        const all = (this.restart ? '' : this.current.textContent) + this.pending.join('');
        this.pending = [all.split('\n').slice(-this.keep - 1).join('\n')];
        this.pendingLines = this.keep;
        this.restart = true;
      }
    }

    render() {
      if (this.pending.length === 0) return;
      const pane = this.pane;
      const atBottom = pane.scrollHeight - pane.scrollTop - pane.clientHeight < 24;
      let text = this.pending.join('');
      if (this.restart) {
        for (const [block] of this.blocks) block.remove();
        this.blocks = [];
        this.shownLines = 0;
        this.restart = false;
      } else {
        text = this.current.textContent + text;
      }
      const end = text.lastIndexOf('\n') + 1;
      if (end > 0) {
        const block = document.createElement('div');
        block.textContent = text.slice(0, end);
        pane.insertBefore(block, this.current);
        this.blocks.push([block, this.pendingLines]);
        this.shownLines += this.pendingLines;
      }
      // A line without an end is kept to a screenful.
      this.current.textContent = text.slice(end).slice(-4096);
      this.pending = [];
      this.pendingLines = 0;
      while (this.blocks.length > 1 && this.shownLines - this.blocks[0][1] >= this.keep) {
        const [oldest, lines] = this.blocks.shift();
        oldest.remove();
        this.shownLines -= lines;
      }
      if (atBottom) pane.scrollTop = pane.scrollHeight;
    }
  }

  const output = new Transcript(consolePane, 1000);
  const errors = new Transcript(errorPane, 100);

  if (location.protocol === 'file:') {
    showFault('This page was opened as a file, and browsers do not load a program ' +
      '(orbiquel.wasm) from a file. Serve its folder over HTTP instead, for example ' +
      'with "python3 -m http.server --bind 127.0.0.1 8000" in the folder, and open ' +
      'http://127.0.0.1:8000/ (or run scripts/web in the source tree).');
    return;
  }
  const probe = document.createElement('canvas');
  if (!(probe.getContext('webgl') || probe.getContext('experimental-webgl'))) {
    showFault('This browser does not offer WebGL, which the scene is drawn with, so the ' +
      'program cannot run here. Turn on WebGL (hardware acceleration) in the browser\'s ' +
      'settings, or use a browser that supports it.');
    return;
  }

  // The test setting ?steps=N stops the simulation after N steps.
  const stepLimit = Number.parseInt(new URLSearchParams(location.search).get('steps'), 10);

  let halted = false;
  function halt(message) {
    if (halted) return;
    halted = true;
    showFault(message);
    if (Module.orbiquel) Module.orbiquel.halt(message);
  }

  const Module = {
    canvas: canvas,
    preRun: [() => {
      if (Number.isFinite(stepLimit) && stepLimit >= 0) Module.orbiquel.stepLimit = stepLimit;
    }],
    // The toolkit's own notes (the program's output comes through
    // orbiquelOutput) are for developers: the browser's console.
    print: (text) => console.info(text),
    printErr: (text) => console.info(text),
    orbiquelOutput: (fd, text) => (fd === 1 ? output : errors).add(text, true),
    orbiquelWaiting: (waiting) => {
      stdin.classList.toggle('waiting', waiting);
      if (waiting) stdin.focus();
    },
    // Back to the scene for the next key, unless a line is being typed ahead.
    orbiquelKeyDone: () => {
      if (document.activeElement === stdin && stdin.value === '') canvas.focus();
    },
    orbiquelHalted: (message) => halt(message),
    onAbort: (what) => halt('The program stopped: ' + what + '. Reload the page to start again.'),
  };
  window.Module = Module;

  window.addEventListener('error', (event) => {
    halt('The program stopped on an error: ' + (event.message || event.error) +
      '. Reload the page to start again.');
  });
  window.addEventListener('unhandledrejection', (event) => {
    halt('The program stopped on an error: ' + event.reason + '. Reload the page to start again.');
  });

  stdin.addEventListener('keydown', (event) => {
    if (event.key !== 'Enter') return;
    event.preventDefault();
    const line = stdin.value + '\n';
    stdin.value = '';
    // Echoed as a terminal does, after the prompt it answers.
    output.add(line, false);
    if (Module.orbiquel && !halted) Module.orbiquel.input(line);
  });

  // Once per frame: the panes and, every second, the status line.
  let last = { time: performance.now(), steps: 0, frames: 0 };
  function frame(time) {
    output.render();
    errors.render();
    if (count.dataset.written !== String(output.written)) {
      count.dataset.written = String(output.written);
      count.textContent = '(' + output.written.toLocaleString('en') +
        ' lines written; the last 1,000 or more are kept)';
    }
    const o = Module.orbiquel;
    if (o && !halted && time - last.time >= 1000) {
      const seconds = (time - last.time) / 1000;
      const stepsPerSecond = Math.round((o.steps - last.steps) / seconds);
      const framesPerSecond = Math.round((o.frames - last.frames) / seconds);
      status.textContent = o.steps >= o.stepLimit
        ? 'Stopped at step ' + o.steps + ', as the address asks (steps=' + o.stepLimit + ').'
        : stepsPerSecond + ' simulation steps/s · ' + framesPerSecond + ' frames/s · ' +
          o.steps.toLocaleString('en') + ' steps in all' +
          (o.waiting() ? ' · waiting for input' : '');
      last = { time: time, steps: o.steps, frames: o.frames };
    }
    requestAnimationFrame(frame);
  }
  requestAnimationFrame(frame);

  const script = document.createElement('script');
  script.src = 'orbiquel.js';
  script.onerror = () => halt('The program (orbiquel.js) could not be loaded from the server.');
  document.body.appendChild(script);
  canvas.focus();
})();
