// The arithmetic of a console pane's lines, apart from the page.

// The number of line ends in text.
export function countLines(text) {
  let lines = 0;
  for (let i = text.indexOf('\n'); i !== -1; i = text.indexOf('\n', i + 1)) lines++;
  return lines;
}

// The last `keep` complete lines of text and the line being written after
// them.
export function lastLines(text, keep) {
  return text.split('\n').slice(-keep - 1).join('\n');
}

// How many of the oldest blocks (their line counts, oldest first) can go
// while the rest still hold at least `keep` lines. The newest always stays.
export function blocksToDrop(blockLines, keep) {
  let shown = blockLines.reduce((sum, lines) => sum + lines, 0);
  let drop = 0;
  while (drop < blockLines.length - 1 && shown - blockLines[drop] >= keep) {
    shown -= blockLines[drop];
    drop++;
  }
  return drop;
}
