// A link to a drop: ?ball=x,y,z,vx,vy,vz. Once the program runs, the page
// presses a key on the scene and answers 2 and the six numbers, as if they
// were typed. After every drop, made with the controls, typed at the ball
// prompts or from a link, the page offers the link to it.
'use strict';

window.OrbiquelPage = window.OrbiquelPage || {};

// The six numbers of a ball value, as written, or the reason it is not
// one. Only plain decimal numbers are taken (no names such as NaN or
// Infinity, no hexadecimal), each within the program's single precision.
OrbiquelPage.parseBall = function (value) {
  const parts = value.split(',').map((part) => part.trim());
  if (parts.length !== 6) {
    return { problem: 'it has ' + parts.length + (parts.length === 1 ? ' value' : ' values') +
      ' instead of six' };
  }
  for (const part of parts) {
    const read = OrbiquelPage.fieldNumber(part);
    if (read.problem) {
      const shown = part.length > 24 ? part.slice(0, 24) + '…' : part;
      return { problem: '"' + shown + '" is not a finite number the program can take' };
    }
  }
  return { numbers: parts };
};

OrbiquelPage.setupLink = function (page) {
  const note = page.$('link-fault');
  const share = page.$('share');
  const shareLink = page.$('share-link');
  const copied = page.$('share-copied');

  const value = new URLSearchParams(location.search).get('ball');
  const parsed = value === null ? null : OrbiquelPage.parseBall(value);
  if (parsed && parsed.problem) {
    note.textContent = 'The address asks for a drop (ball=…), but ' + parsed.problem +
      ', so nothing was typed. A drop is six numbers separated by commas: the position x, ' +
      'y, z and the velocity x, y, z, for example ?ball=2,3,2,0,-300,0.';
    note.hidden = false;
  } else if (parsed) {
    page.on('started', () => page.drop(parsed.numbers));
  }

  page.on('dropped', (numbers) => {
    // Numbers typed in a form the link does not take get no link.
    if (OrbiquelPage.parseBall(numbers.join(',')).problem) return;
    const url = new URL(location.pathname, location.href);
    url.search = '?ball=' + numbers.map(encodeURIComponent).join(',');
    shareLink.value = url.href;
    copied.textContent = '';
    share.hidden = false;
  });

  page.$('share-copy').addEventListener('click', () => {
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
};
