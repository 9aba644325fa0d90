// The program in a worker of its own: it draws the scene into the page's
// canvas through an OffscreenCanvas, so that its start, its steps and its
// frames leave the page's thread to the input line, the panes and the
// controls. The page's mirror of it (remote.js) posts the calls of
// Module.orbiquel here and gets back the hooks, and after every frame, hook
// and call the state it mirrors.
'use strict';

{
  // The hooks the page sets in Module (library_orbiquel.js lists them), and
  // emscripten's own for an abort.
  const HOOKS = ['orbiquelLoaded', 'orbiquelWaiting', 'orbiquelKeyDone', 'orbiquelHalted',
    'orbiquelStarted', 'orbiquelPaused', 'orbiquelTitle', 'onAbort'];
  // What the page may call, and set.
  const CALLS = ['input', 'pressKey', 'halt', 'pause', 'resume', 'step', 'runMore', 'callIdle'];
  const SETTINGS = ['pauseAt'];

  // The program's code, compiled by the page (start.js) as it was read.
  let codeCame;
  const code = new Promise((resolve, reject) => (codeCame = { resolve, reject }));
  // The page's clock and settings come as the worker's name, so that the
  // program's script is loaded at once, while the page compiles its code.
  const early = JSON.parse(self.name);
  // Calls handled so far: the page keeps what it changed itself until the
  // state sent back has seen its calls.
  let handled = 0;
  // Output not yet posted, as [fd, text] pairs: posted once the task that
  // wrote it ends, or before anything else is, so that order is kept.
  const output = [];

  function state() {
    const o = self.Module.orbiquel;
    const started = o.steps > 0;
    return {
      handled,
      steps: o.steps,
      frames: o.frames,
      // On the page's clock.
      firstFrameTime: o.firstFrameTime === null ? null
        : o.firstFrameTime + performance.timeOrigin - early.pageOrigin,
      redisplay: o.redisplay,
      keyboardFunc: o.keyboardFunc,
      waiting: o.waiting(),
      paused: o.paused,
      pauseAt: o.pauseAt,
      stepLimit: o.stepLimit,
      halted: o.halted,
      // The program's exports are called once it runs.
      ballState: started ? o.ballState() : null,
      heapInUse: started ? o.heapInUse() : null,
    };
  }

  function flushOutput() {
    if (output.length) postMessage({ output: output.splice(0) });
  }

  function write(fd, text) {
    const last = output[output.length - 1];
    if (last && last[0] === fd) last[1] += text;
    else {
      if (!output.length) setTimeout(flushOutput, 0);
      output.push([fd, text]);
    }
  }

  function report(hook, args) {
    flushOutput();
    postMessage({ hook, args, state: self.Module.orbiquel ? state() : null });
  }

  // Counted as handled before it runs: a call that throws (a fault in the
  // program) is reported by the error, and the next state has seen it.
  function call({ name, args, set, value }) {
    const o = self.Module.orbiquel;
    handled++;
    if (CALLS.includes(name)) o[name](...args);
    else if (SETTINGS.includes(set)) o[set] = value;
    report(null, []);
  }

  // The scene's canvas, as the page posts it, and its context, which the
  // program takes when its main function runs: held back till then.
  let canvasCame = () => {};
  function takeCanvas(canvas) {
    const Module = self.Module;
    Module.canvas = canvas;
    Module.preinitializedWebGLContext = canvas.getContext('webgl', early.attributes);
    if (!Module.preinitializedWebGLContext) {
      Module.orbiquel.halted = true;
      postMessage({ noContext: true });
      return;
    }
    canvasCame();
  }

  self.Module = {
    preRun: [() => {
      if (early.stepLimit !== null) self.Module.orbiquel.stepLimit = early.stepLimit;
      self.Module.orbiquel.startHeld = true;
      if (!self.Module.canvas) {
        self.Module.addRunDependency('canvas');
        canvasCame = () => self.Module.removeRunDependency('canvas');
      }
    }],
    instantiateWasm: (imports, receive) => {
      code.then((module) => WebAssembly.instantiate(module, imports)
        .then((instance) => receive(instance, module)));
      return {};
    },
    print: (text) => console.info(text),
    printErr: (text) => console.info(text),
    orbiquelOutput: write,
    orbiquelFrame: () => report(null, []),
  };
  for (const hook of HOOKS) {
    self.Module[hook] = (...args) => report(hook, args.map((a) => (a instanceof Error ? String(a) : a)));
  }
  self.Module.preRun.push(() => self.Module.orbiquelLoaded());
  self.onmessage = ({ data }) => {
    if (data.canvas) takeCanvas(data.canvas);
    else if (data.code) codeCame.resolve(data.code);
    else if (data.codeError) codeCame.reject(new Error(data.codeError));
    else if (data.loadTaken) {
      self.Module.orbiquel.startHeld = false;
      self.Module.orbiquel.scheduleIdle();
    }
    else call(data);
  };
  // An error that escapes the program stops it here at once; the page
  // gets the error and says so.
  self.addEventListener('error', () => {
    if (self.Module.orbiquel) self.Module.orbiquel.halted = true;
  });
  self.addEventListener('unhandledrejection', ({ reason }) => {
    throw reason instanceof Error ? reason : new Error(String(reason));
  });
  try {
    importScripts('orbiquel.js');
  } catch {
    postMessage({ notLoaded: true });
  }
}
