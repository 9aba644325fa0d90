// The page around the program: loads it, wires the page's parts (the console
// panes, the input line) to it, keeps the status line, and says plainly when
// the program cannot run.
'use strict';

(function () {
  const SCENE_CONTEXT = { antialias: false, depth: true, stencil: false, alpha: false };
  const $ = (id) => document.getElementById(id);
  const canvas = $('canvas');
  const consolePane = $('console');
  const errorPane = $('stderr');
  const status = $('status');
  const rates = $('rates');
  const count = $('count');
  const fault = $('fault');

  // The page's parts meet through named events: 'output' (fd, text),
  // 'waiting' (bool), 'keyDone', 'started' (the first simulation step has
  // run) and 'halted' (message).
  const listeners = {};
  const page = {
    $,
    on: (name, f) => (listeners[name] = listeners[name] || []).push(f),
    emit: (name, ...args) => (listeners[name] || []).forEach((f) => f(...args)),
    program: () => (window.Module && Module.orbiquel) || null,
    halted: false,
  };

  // The status line is a live region: it changes, and so is read out, only
  // when the user's situation does (running, waiting for input, stopped).
  // The rates beside it change every second and are not announced.
  function setStatus(text) {
    if (status.textContent !== text) status.textContent = text;
  }

  function halt(message) {
    if (page.halted) return;
    page.halted = true;
    fault.textContent = message;
    fault.hidden = false;
    setStatus('Stopped.');
    rates.textContent = '';
    page.emit('halted', message);
    const program = page.program();
    if (program) program.halt(message);
  }

  const output = page.output = new OrbiquelPage.Transcript(consolePane, 1000);
  const errors = page.errors = new OrbiquelPage.Transcript(errorPane, 100);
  OrbiquelPage.setupInput(page);
  // The phone's parts: what the program waits for, the answers without a
  // keyboard, taps on the scene, links to drops, the offline worker.
  OrbiquelPage.setupPrompts(page);
  OrbiquelPage.setupControls(page);
  OrbiquelPage.setupTouch(page);
  OrbiquelPage.setupLink(page);
  OrbiquelPage.setupOffline(page);

  if (location.protocol === 'file:') {
    halt('This page was opened as a file, and browsers do not load a program ' +
      '(orbiquel.wasm) from a file. Serve its folder over HTTP instead, for example ' +
      'with "python3 -m http.server --bind 127.0.0.1 8000" in the folder, and open ' +
      'http://127.0.0.1:8000/ (or run scripts/web in the source tree).');
    return;
  }
  const gl = canvas.getContext('webgl', SCENE_CONTEXT);
  if (!gl) {
    halt('This browser does not offer WebGL, which the scene is drawn with, so the ' +
      'program cannot run here. Turn on WebGL (hardware acceleration) in the browser\'s ' +
      'settings, or use a browser that supports it.');
    return;
  }

  // The test setting ?steps=N stops the simulation after N steps.
  const stepLimit = Number.parseInt(new URLSearchParams(location.search).get('steps'), 10);


  const Module = {
    canvas: canvas,
    preinitializedWebGLContext: gl,
    preRun: [() => {
      if (Number.isFinite(stepLimit) && stepLimit >= 0) Module.orbiquel.stepLimit = stepLimit;
      page.emit('loaded');
    }],
    // The toolkit's own notes (the program's output comes through
    // orbiquelOutput) are for developers: the browser's console.
    print: (text) => console.info(text),
    printErr: (text) => console.info(text),
    orbiquelOutput: (fd, text) => {
      (fd === 1 ? output : errors).add(text, true);
      page.emit('output', fd, text);
    },
    orbiquelWaiting: (waiting) => page.emit('waiting', waiting),
    orbiquelKeyDone: () => page.emit('keyDone'),
    orbiquelStarted: () => page.emit('started'),
    orbiquelHalted: (message) => halt(message),
    // abort() and std::terminate come with no message of their own.
    onAbort: (what) => halt('The program stopped: ' +
      (what ? String(what) : 'it aborted (an abort() or an unhandled C++ error) and gave no reason') +
      '. Reload the page to start again.'),
  };
  window.Module = Module;

  window.addEventListener('error', (event) => {
    halt('The program stopped on an error: ' + (event.message || event.error) +
      '. Reload the page to start again.');
  });
  window.addEventListener('unhandledrejection', (event) => {
    halt('The program stopped on an error: ' + event.reason + '. Reload the page to start again.');
  });

  function showSituation() {
    const o = page.program();
    if (page.halted || !o || o.steps === 0) return;
    setStatus(o.waiting() ? 'Waiting for input: type the answer in the input line, then Enter.'
      : o.steps >= o.stepLimit
        ? 'Stopped at step ' + o.steps + ', as the address asks (steps=' + o.stepLimit + ').'
        : 'Running: press a key on the scene for the menu.');
  }
  page.on('started', showSituation);
  page.on('waiting', showSituation);

  // Once per frame: the panes and, every second, the rates.
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
    if (o && o.steps > 0 && !page.halted && time - last.time >= 1000) {
      const seconds = (time - last.time) / 1000;
      const stepsPerSecond = Math.round((o.steps - last.steps) / seconds);
      const framesPerSecond = Math.round((o.frames - last.frames) / seconds);
      rates.textContent = stepsPerSecond + ' simulation steps/s · ' + framesPerSecond +
        ' frames/s · ' + o.steps.toLocaleString('en') + ' steps in all';
      showSituation();
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
