// The program starts as the page's head is read, before its style, its
// body and its modules have come. A classic script.
//
// The program's code (orbiquel.wasm) is fetched and compiled from here at
// once, for the program wherever it runs. The program runs in a worker of
// its own (program-worker.js), leaving the page's thread to the input line,
// the panes and the controls, where the browser draws WebGL into an
// OffscreenCanvas there: another worker (webgl-probe.js) asks, while the
// program's loads its script. If so, early.js hands the program's worker the
// scene's canvas, and what it says before page.js listens is held for it.
// If not (WebKitGTK draws no WebGL in a worker), or where there are no such
// workers, page.js runs the program on the page, and its script is fetched
// as soon as that is known. Module.early.decided says which, true for the
// worker.
'use strict';

// emscripten's global Module, through which the page and the program's
// script talk, exists from the start, as on emscripten's own pages: what
// looks for the program (Module.orbiquel) before page.js has run finds
// none yet. page.js fills it in.
window.Module = {};

if (location.protocol !== 'file:') {
  const steps = Number.parseInt(new URLSearchParams(location.search).get('steps'), 10);
  // The program's display mode: double-buffered RGBA with a depth buffer,
  // no multisampling, which it checks; and the test setting ?steps=N.
  const early = window.Module.early = {
    attributes: { antialias: false, depth: true, stencil: false, alpha: false },
    stepLimit: steps >= 0 ? steps : null,
    worker: null,
    held: [],
  };
  // A host that serves the code as another type than application/wasm gets
  // it compiled whole, as emscripten's own loader does.
  early.code = fetch('orbiquel.wasm', { credentials: 'same-origin' }).then((response) => {
    if (!response.ok) {
      throw new Error('the program (orbiquel.wasm) could not be loaded from the server: ' +
        response.status + ' ' + response.statusText);
    }
    return WebAssembly.compileStreaming(response.clone())
      .catch(() => response.arrayBuffer().then((bytes) => WebAssembly.compile(bytes)));
  });
  let decide;
  early.decided = new Promise((resolve) => (decide = resolve));
  let decided = false;
  const decideOnce = (inWorker) => {
    if (decided) return;
    decided = true;
    if (!inWorker) {
      if (early.worker) early.worker.terminate();
      early.worker = null;
      document.head.append(Object.assign(document.createElement('link'),
        { rel: 'preload', href: 'orbiquel.js', as: 'script' }));
    }
    decide(inWorker);
  };
  // Whether this browser draws WebGL in a worker, as a worker of its own
  // found on an earlier visit: asking takes as long as making the scene's
  // context. Forgotten when the program's worker could not make the
  // context, so that the next visit asks again.
  const ASKED = 'orbiquel: draws WebGL in a worker';
  const storage = (use) => {
    try {
      return use(localStorage);
    } catch {
      return null; // Storage refused by the browser's settings.
    }
  };
  early.forget = () => storage((s) => s.removeItem(ASKED));
  const known = storage((s) => s.getItem(ASKED));
  if (typeof Worker === 'function' && 'transferControlToOffscreen' in HTMLCanvasElement.prototype &&
      known !== 'no') {
    const worker = early.worker = new Worker('program-worker.js', { name: JSON.stringify({
      attributes: early.attributes, pageOrigin: performance.timeOrigin, stepLimit: early.stepLimit,
    }) });
    worker.onmessage = (event) => early.held.push(event);
    // Before the page has decided, an error (the worker's script not found)
    // leaves the program to the page.
    worker.onerror = (event) => {
      event.preventDefault();
      if (decided) early.held.push(event);
      else decideOnce(false);
    };
    early.code.then((code) => worker.postMessage({ code }),
      (error) => worker.postMessage({ codeError: error.message }));
    if (known === 'yes') {
      decideOnce(true);
    } else {
      const probe = new Worker('webgl-probe.js');
      probe.onmessage = ({ data }) => {
        probe.terminate();
        storage((s) => s.setItem(ASKED, data === true ? 'yes' : 'no'));
        decideOnce(data === true);
      };
      probe.onerror = (event) => {
        event.preventDefault();
        probe.terminate();
        decideOnce(false);
      };
    }
  } else {
    decideOnce(false);
  }
}
