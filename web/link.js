// A link to a drop: ?ball=x,y,z,vx,vy,vz. Once the program runs, the page
// presses a key on the scene and answers 2 and the six numbers, as if they
// were typed. After every drop, made with the controls, typed at the ball
// prompts or from a link, the page offers the link to it.
import { ballOfQuery, parseBall } from './ball.js';

export function setupLink(page, drop) {
  const { bus, $ } = page;
  const note = $('link-fault');
  const share = $('share');
  const shareLink = $('share-link');
  const copied = $('share-copied');

  const parsed = ballOfQuery(location.search);
  if (parsed && parsed.problem) {
    note.textContent = 'The address asks for a drop (ball=…), but ' + parsed.problem +
      ', so nothing was typed. A drop is six numbers separated by commas: the position x, ' +
      'y, z and the velocity x, y, z, for example ?ball=2,3,2,0,-300,0.';
    note.hidden = false;
  } else if (parsed) {
    bus.on('started', () => drop(parsed.numbers));
  }

  bus.on('dropped', (numbers) => {
    // Numbers typed in a form the link does not take get no link.
    if (parseBall(numbers.join(',')).problem) return;
    const url = new URL(location.pathname, location.href);
    url.search = '?ball=' + numbers.map(encodeURIComponent).join(',');
    shareLink.value = url.href;
    copied.textContent = '';
    share.hidden = false;
  });

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
