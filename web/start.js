// The program starts as the page's head is read, before its style, its
// body and its modules have come. A classic script.
//
// The program runs in a worker of its own (program-worker.js), leaving the
// page's thread to the input line, the panes and the controls, where the
// browser draws WebGL into an OffscreenCanvas there: the worker says first
// whether it does. If so, it fetches and compiles the program at once, and
// runs it when early.js hands it the scene's canvas; what it says before
// page.js listens is held for it. If not (WebKitGTK draws no WebGL in a
// worker), or where there are no such workers, page.js runs the program on
// the page, and its files are fetched as soon as that is known.
// Module.early.decided says which, true for the worker.
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
  let decide;
  early.decided = new Promise((resolve) => (decide = resolve));
  const onThePage = () => {
    if (early.worker) early.worker.terminate();
    early.worker = null;
    for (const [href, as] of [['orbiquel.js', 'script'], ['orbiquel.wasm', 'fetch']]) {
      const link = Object.assign(document.createElement('link'), { rel: 'preload', href, as });
      if (as === 'fetch') link.crossOrigin = 'anonymous';
      document.head.append(link);
    }
    decide(false);
  };
  if (typeof Worker === 'function' && 'transferControlToOffscreen' in HTMLCanvasElement.prototype) {
    let decided = false;
    early.worker = new Worker('program-worker.js');
    early.worker.onmessage = (event) => {
      if (decided) {
        early.held.push(event);
      } else if (event.data.drawsHere) {
        decided = true;
        decide(true);
      } else {
        decided = true;
        onThePage();
      }
    };
    // Before the worker has said, an error (its script not found) leaves
    // the program to the page.
    early.worker.onerror = (event) => {
      event.preventDefault();
      if (decided) {
        early.held.push(event);
      } else {
        decided = true;
        onThePage();
      }
    };
    early.worker.postMessage({ attributes: early.attributes, pageOrigin: performance.timeOrigin,
      stepLimit: early.stepLimit });
  } else {
    onThePage();
  }
}
