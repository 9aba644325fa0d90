// Pause, Resume and Step under the scene, and the ball's state beside it.
// The controls hold the program's idle callbacks (its simulation step and
// its camera's turn) or let exactly one run; they take no key on the scene,
// whose keys all open the program's menu. The panel reads the ball and the
// camera from the program each frame.
import { describe } from './state.js';

export function setupPause(page) {
  const { bus, $ } = page;
  const pause = $('pause');
  const step = $('step');
  const fields = ['words', 'position', 'velocity', 'step', 'camera'];

  // Usable once the program runs, and not while it waits for a line: it is
  // blocked in its read then, and no step could run.
  function showControls() {
    const program = page.program();
    const usable = Boolean(program && program.steps > 0 && !program.waiting() && !page.halted());
    const paused = Boolean(program && program.paused);
    pause.disabled = !usable;
    step.disabled = !usable || !paused;
    pause.textContent = paused ? 'Resume' : 'Pause';
  }

  pause.addEventListener('click', () => {
    const program = page.program();
    if (program.paused) program.resume();
    else program.pause();
    showControls();
    bus.emit('paused', program.paused);
  });
  step.addEventListener('click', () => page.program().step());

  // The panel changes only where its text does; a step taken while paused
  // is told to the page's other parts.
  let shownStep = null;
  function frame() {
    const program = page.program();
    // The program's functions can be called once it runs.
    const state = program && program.steps > 0 && program.ballState();
    if (state && !page.halted()) {
      const text = describe(state, program.steps);
      for (const name of fields) {
        const element = $('state-' + name);
        if (element.textContent !== text[name]) element.textContent = text[name];
      }
      if (program.paused && shownStep !== null && program.steps !== shownStep) {
        bus.emit('paused', true);
      }
      shownStep = program.steps;
    }
    requestAnimationFrame(frame);
  }
  requestAnimationFrame(frame);

  for (const name of ['started', 'waiting', 'paused', 'halted']) bus.on(name, showControls);
  showControls();
}
