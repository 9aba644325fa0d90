// The page around the program: loads it, wires the page's parts (the console
// panes, the input line, the phone's controls) to it and to each other,
// keeps the status line, and says plainly when the program cannot run.
//
// Each part is a module with a setup function taking `page`, the context
// below, and what it needs of the parts set up before it; the parts meet
// through the bus's events (bus.js). A new part is one module and one line
// here. The only global is emscripten's `Module` (made by start.js),
// through which the program's script (orbiquel.js) and the page talk
// (library_orbiquel.js lists what it holds).
import { PageBus } from './bus.js';
import { setupControls } from './controls.js';
import { setupInput, takeEarlyLines } from './input.js';
import { setupKeys } from './keys.js';
import { setupLink } from './link.js';
import { setupOffline } from './offline.js';
import { setupPause } from './pause.js';
import { setupPrompts } from './prompts.js';
import { RemoteProgram } from './remote.js';
import { setupTouch } from './touch.js';
import { Transcript } from './transcript.js';

const $ = (id) => document.getElementById(id);
const status = $('status');
const rates = $('rates');
const count = $('count');
const fault = $('fault');

const bus = new PageBus();
let halted = false;
const page = Object.freeze({
  bus,
  $,
  // The program's state (Module.orbiquel), once its script has run.
  program: () => (window.Module && window.Module.orbiquel) || null,
  halted: () => halted,
});

// The status line is a live region: it changes, and so is read out, only
// when the user's situation does (running, waiting for input, stopped).
// The rates beside it change every second and are not announced.
function setStatus(text) {
  if (status.textContent !== text) status.textContent = text;
}

function halt(message) {
  if (halted) return;
  halted = true;
  fault.textContent = message;
  fault.hidden = false;
  setStatus('Stopped.');
  rates.textContent = '';
  bus.emit('halted', message);
  const program = page.program();
  if (program) program.halt(message);
}

function showSituation() {
  const o = page.program();
  if (halted || !o || o.steps === 0) return;
  setStatus(o.waiting() ? 'Waiting for input: type the answer in the input line, then Enter.'
    : o.paused ? 'Paused at step ' + o.steps + '.'
    : o.steps >= o.stepLimit
      ? 'Stopped at step ' + o.steps + ', as the address asks (steps=' + o.stepLimit + ').'
      : 'Running: press a key on the scene for the menu.');
}

// Once per frame: the panes and, every second, the rates, which say
// nothing while paused.
function animate(output, errors) {
  let last = { time: performance.now(), steps: 0, frames: 0 };
  function frame(time) {
    output.render();
    errors.render();
    if (count.dataset.written !== String(output.written)) {
      count.dataset.written = String(output.written);
      count.textContent = '(' + output.written.toLocaleString('en') +
        ' lines written; the last 1,000 or more are kept)';
    }
    const o = page.program();
    if (o && o.paused) {
      if (rates.textContent) rates.textContent = '';
      last = { time: time, steps: o.steps, frames: o.frames };
    } else if (o && o.steps > 0 && !halted && time - last.time >= 1000) {
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
}

// How the program started (start.js), where the page is served.
const served = location.protocol !== 'file:';
const early = window.Module.early;

const NO_WEBGL = 'This browser does not offer WebGL, which the scene is drawn with, so the ' +
  'program cannot run here. Turn on WebGL (hardware acceleration) in the browser\'s ' +
  'settings, or use a browser that supports it.';
const NOT_LOADED = 'The program (orbiquel.js) could not be loaded from the server.';
const stoppedOn = (error) => 'The program stopped on an error: ' + error +
  '. Reload the page to start again.';

// The program in its worker, which start.js started, and its mirror as
// Module.orbiquel; what the worker said before now comes first.
function adoptWorker() {
  const { worker, held } = early;
  const program = new RemoteProgram(worker, (name, args) => {
    const hook = window.Module[name];
    if (typeof hook === 'function') hook(...args);
  });
  window.Module.orbiquel = program;
  function receive({ data }) {
    if (data.noContext) {
      early.forget();
      halt(NO_WEBGL);
    }
    else if (data.notLoaded) halt(NOT_LOADED);
    else program.receive(data);
  }
  // An error that escapes the program; or no worker script at all.
  function fail(event) {
    event.preventDefault();
    halt(event.message ? stoppedOn(event.message) : NOT_LOADED);
  }
  worker.onmessage = receive;
  worker.onerror = fail;
  for (const event of held.splice(0)) (event.type === 'error' ? fail : receive)(event);
}

// The program's script on the page, with the context the page made.
function startHere(stepLimit, sceneContext) {
  const Module = Object.assign(window.Module, {
    canvas: $('canvas'),
    preinitializedWebGLContext: sceneContext,
    preRun: [() => {
      if (stepLimit !== null) Module.orbiquel.stepLimit = stepLimit;
      Module.orbiquelLoaded();
    }],
    // The code start.js fetched and compiled.
    instantiateWasm: (imports, receive) => {
      early.code.then((module) => WebAssembly.instantiate(module, imports)
        .then((instance) => receive(instance, module)));
      return {};
    },
    // The toolkit's own notes (the program's output comes through
    // orbiquelOutput) are for developers: the browser's console.
    print: (text) => console.info(text),
    printErr: (text) => console.info(text),
  });
  window.addEventListener('error', (event) => halt(stoppedOn(event.message || event.error)));
  const script = document.createElement('script');
  script.src = 'orbiquel.js';
  script.onerror = () => halt(NOT_LOADED);
  document.body.appendChild(script);
}

// emscripten's contract: the program's script reads its settings and the
// page's hooks from the global Module (which start.js made).
function loadProgram(output, errors, sceneContext) {
  Object.assign(window.Module, {
    orbiquelLoaded: () => bus.emit('loaded'),
    orbiquelOutput: (fd, text) => {
      (fd === 1 ? output : errors).add(text, true);
      bus.emit('output', { fd, text });
    },
    orbiquelWaiting: (waiting) => bus.emit('waiting', waiting),
    orbiquelKeyDone: () => bus.emit('keyDone'),
    orbiquelStarted: () => bus.emit('started'),
    orbiquelPaused: () => bus.emit('paused', true),
    orbiquelHalted: (message) => halt(message),
    orbiquelTitle: (title) => (document.title = title),
    // abort() and std::terminate come with no message of their own.
    onAbort: (what) => halt('The program stopped: ' + (what ? String(what)
      : 'it aborted (an abort() or an unhandled C++ error) and gave no reason') +
      '. Reload the page to start again.'),
  });
  window.addEventListener('unhandledrejection', (event) => halt(stoppedOn(event.reason)));
  if (sceneContext) startHere(early.stepLimit, sceneContext);
  else adoptWorker();
}

const output = new Transcript($('console'), 1000);
const errors = new Transcript($('stderr'), 100);
// The parts, in the order their listeners must run: the input line's
// before what the program waits for, which the controls follow.
const sendLine = setupInput(page, output);
setupPrompts(page);
const drop = setupControls(page, sendLine);
setupTouch(page);
setupLink(page, drop);
setupPause(page);
setupOffline(page);
// After the input line's, which takes keys while the program waits.
setupKeys(page);
// Lines typed before the modules ran, now that every part listens.
for (const line of takeEarlyLines($('stdin'))) sendLine(line);

// The program runs in its worker, or here with the scene's context made by
// the page, with the program's display mode: made before the program is
// fetched, its cost falls before the program's start, a task the page
// cannot split. Or the page says why it cannot run.
function start(inWorker) {
  const sceneContext = inWorker ? null : $('canvas').getContext('webgl', early.attributes);
  if (!inWorker && !sceneContext) {
    halt(NO_WEBGL);
    return;
  }
  bus.on('started', showSituation);
  bus.on('waiting', showSituation);
  bus.on('paused', showSituation);
  animate(output, errors);
  loadProgram(output, errors, sceneContext);
  // Unless the user has gone somewhere already.
  if (document.activeElement === document.body) $('canvas').focus();
}

// Opened as a file, early.js has said so, where the browser runs this
// module at all.
if (served) early.decided.then(start);
else halt(fault.textContent);
