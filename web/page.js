// The page around the program: loads it, wires the page's parts (the console
// panes, the input line, the phone's controls) to it and to each other,
// keeps the status line, and says plainly when the program cannot run.
//
// Each part is a module with a setup function taking `page`, the context
// below, and what it needs of the parts set up before it; the parts meet
// through the bus's events (bus.js). A new part is one module and one line
// here. The only global is emscripten's `Module` (made by early.js),
// through which the program's script (orbiquel.js) and the page talk
// (library_orbiquel.js lists what it holds).
import { PageBus } from './bus.js';
import { setupControls } from './controls.js';
import { setupInput, takeEarlyLines } from './input.js';
import { setupLink } from './link.js';
import { setupOffline } from './offline.js';
import { setupPause } from './pause.js';
import { setupPrompts } from './prompts.js';
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

// The scene's WebGL context, made by the page with the program's display
// mode (double-buffered RGBA with a depth buffer, no multisampling) and
// handed to it. Made here, it tells whether the browser has WebGL before the
// program is fetched, and its cost falls before the program's start, a task
// the page cannot split; the program checks that it is what it asks for.
const SCENE_CONTEXT = { antialias: false, depth: true, stencil: false, alpha: false };
const sceneContext = location.protocol === 'file:' ? null
  : $('canvas').getContext('webgl', SCENE_CONTEXT);

// Whether the program can run here; if not, the page says why.
function canRun() {
  if (location.protocol === 'file:') {
    // early.js has said so, where the browser runs this module at all.
    halt(fault.textContent);
    return false;
  }
  if (!sceneContext) {
    halt('This browser does not offer WebGL, which the scene is drawn with, so the ' +
      'program cannot run here. Turn on WebGL (hardware acceleration) in the browser\'s ' +
      'settings, or use a browser that supports it.');
    return false;
  }
  return true;
}

// emscripten's contract: the program's script reads its settings and the
// page's hooks from the global Module (which early.js made).
function loadProgram(output, errors) {
  // The test setting ?steps=N stops the simulation after N steps.
  const stepLimit = Number.parseInt(new URLSearchParams(location.search).get('steps'), 10);
  const Module = Object.assign(window.Module, {
    canvas: $('canvas'),
    preinitializedWebGLContext: sceneContext,
    preRun: [() => {
      if (Number.isFinite(stepLimit) && stepLimit >= 0) Module.orbiquel.stepLimit = stepLimit;
      bus.emit('loaded');
    }],
    // The toolkit's own notes (the program's output comes through
    // orbiquelOutput) are for developers: the browser's console.
    print: (text) => console.info(text),
    printErr: (text) => console.info(text),
    orbiquelOutput: (fd, text) => {
      (fd === 1 ? output : errors).add(text, true);
      bus.emit('output', { fd, text });
    },
    orbiquelWaiting: (waiting) => bus.emit('waiting', waiting),
    orbiquelKeyDone: () => bus.emit('keyDone'),
    orbiquelStarted: () => bus.emit('started'),
    orbiquelPaused: () => bus.emit('paused', true),
    orbiquelHalted: (message) => halt(message),
    // abort() and std::terminate come with no message of their own.
    onAbort: (what) => halt('The program stopped: ' + (what ? String(what)
      : 'it aborted (an abort() or an unhandled C++ error) and gave no reason') +
      '. Reload the page to start again.'),
  });

  window.addEventListener('error', (event) => {
    halt('The program stopped on an error: ' + (event.message || event.error) +
      '. Reload the page to start again.');
  });
  window.addEventListener('unhandledrejection', (event) => {
    halt('The program stopped on an error: ' + event.reason + '. Reload the page to start again.');
  });

  const script = document.createElement('script');
  script.src = 'orbiquel.js';
  script.onerror = () => halt('The program (orbiquel.js) could not be loaded from the server.');
  document.body.appendChild(script);
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
// Lines typed before the modules ran, now that every part listens.
for (const line of takeEarlyLines($('stdin'))) sendLine(line);

if (canRun()) {
  bus.on('started', showSituation);
  bus.on('waiting', showSituation);
  bus.on('paused', showSituation);
  animate(output, errors);
  loadProgram(output, errors);
  $('canvas').focus();
}
