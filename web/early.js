// What the page does before its modules run. A classic script, run as the
// page is read: modules run only once it has been read, and browsers do
// not run them at all from a file.
'use strict';

{
  const $ = (id) => document.getElementById(id);
  const stdin = $('stdin');

  // Lines typed in the input line before the modules run wait in its
  // data-early attribute (a JSON list), which input.js takes and removes.
  stdin.dataset.early = '[]';
  stdin.addEventListener('keydown', (event) => {
    if (stdin.dataset.early === undefined || event.key !== 'Enter' || event.isComposing ||
        event.keyCode === 229) {
      return;
    }
    event.preventDefault();
    stdin.dataset.early = JSON.stringify(JSON.parse(stdin.dataset.early).concat(stdin.value));
    stdin.value = '';
  });

  if (location.protocol === 'file:') {
    $('fault').textContent = 'This page was opened as a file, and browsers do not load a ' +
      'program (orbiquel.wasm) from a file. Serve its folder over HTTP instead, for example ' +
      'with "python3 -m http.server --bind 127.0.0.1 8000" in the folder, and open ' +
      'http://127.0.0.1:8000/ (or run scripts/web in the source tree).';
    $('fault').hidden = false;
    $('status').textContent = 'Stopped.';
    stdin.disabled = true;
    $('stdin-note').textContent = 'The program has stopped, so it reads no more input. ' +
      'Reload the page to start again.';
    $('stdin-note').hidden = false;
  }

  // The scene's canvas, now that it is here, goes to the program's worker
  // once that draws (start.js).
  const early = window.Module.early;
  if (early) {
    early.decided.then((inWorker) => {
      if (!inWorker) return;
      const offscreen = $('canvas').transferControlToOffscreen();
      early.worker.postMessage({ canvas: offscreen }, [offscreen]);
    });
  }
}
