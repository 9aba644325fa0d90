// A link to a drop: ?ball=x,y,z,vx,vy,vz. Once the program runs, the page
// presses a key on the scene and answers 2 and the six numbers, as if they
// were typed. After every drop, made with the controls, typed at the ball
// prompts or from a link, the page offers the link to it; while paused, the
// link to that moment instead (moment.js), which opens paused there.
import { ballOfQuery, parseBall } from './ball.js';
import { momentQuery, parseMoment } from './moment.js';

export function setupLink(page, drop) {
  const { bus, $ } = page;
  const note = $('link-fault');
  const share = $('share');
  const shareLabel = $('share-label');
  const shareLink = $('share-link');
  const copied = $('share-copied');

  const parsed = ballOfQuery(location.search);
  const moment = parseMoment(new URLSearchParams(location.search));
  if (moment && moment.problem) {
    note.textContent = 'The address asks for a moment (at=…, pause=…), but ' + moment.problem +
      ', so the page runs from the start, with no drop and no pause. A moment is a drop, the ' +
      'step it was made at and the step to pause at, for example ' +
      '?ball=2,3,2,0,-300,0&at=1&pause=300, or the step to pause at alone, as ?pause=300.';
    note.hidden = false;
  } else if (parsed && parsed.problem) {
    note.textContent = 'The address asks for a drop (ball=…), but ' + parsed.problem +
      ', so nothing was typed. A drop is six numbers separated by commas: the position x, ' +
      'y, z and the velocity x, y, z, for example ?ball=2,3,2,0,-300,0.';
    note.hidden = false;
  } else if (moment || parsed) {
    // The program pauses at the drop's step (after the first, for a link to
    // a drop alone), takes the drop there, and goes on, to the step to
    // pause at if there is one: the drop falls between the same two steps
    // wherever the program runs, on the page or in its worker.
    const { at, pause } = moment || { at: 1, pause: null };
    let dropped = at === null;
    bus.on('loaded', () => (page.program().pauseAt = dropped ? pause : at));
    bus.on('paused', () => {
      const program = page.program();
      if (dropped || program.steps !== at) return;
      dropped = true;
      drop(parsed.numbers);
      if (pause === null || pause > at) {
        program.pauseAt = pause;
        program.resume();
        bus.emit('paused', false);
      }
    });
  }

  // The last drop and the step it was made at; null before any, and for
  // numbers typed in a form the link does not take, which get no link.
  let last = null;
  let linkable = true;
  function offer() {
    const program = page.program();
    const paused = Boolean(program && program.paused);
    share.hidden = !(paused ? linkable : last);
    if (share.hidden) return;
    const url = new URL(location.pathname, location.href);
    url.search = paused ? momentQuery(last, program.steps)
      : '?ball=' + last.numbers.map(encodeURIComponent).join(',');
    if (shareLink.value === url.href) return;
    shareLabel.textContent = paused ? 'A link to this moment' : 'A link to this drop';
    shareLink.value = url.href;
    copied.textContent = '';
  }

  bus.on('dropped', (numbers) => {
    linkable = !parseBall(numbers.join(',')).problem;
    last = linkable ? { numbers, at: page.program().steps } : null;
    offer();
  });
  bus.on('paused', offer);

  $('share-copy').addEventListener('click', () => {
    const done = () => (copied.textContent = 'Copied.');
    const byHand = () => {
      shareLink.focus();
      shareLink.select();
      copied.textContent = 'Selected: copy it with the browser\'s menu.';
    };
    if (navigator.clipboard && navigator.clipboard.writeText) {
      navigator.clipboard.writeText(shareLink.value).then(done, byHand);
    } else {
      byHand();
    }
  });
}
