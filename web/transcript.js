// The page's console panes: the program's text as it writes it.
import { blocksToDrop, countLines, lastLines } from './lines.js';

// A pane of text as the program writes it: at least the last `keep`
// complete lines and the line being written. New text goes to the page at
// most once per frame, and while it flows at most every `interval` ms: its
// complete lines as one block appended (so that the browser lays out and
// paints only that block), the line being written in a block of its own at
// the end. Text after a pause shows at the next frame; flowing text is
// unreadable at any rate, and each change of the pane costs the browser a
// layout and a repaint of the pane, which software renderers feel. The
// oldest blocks go once the lines after them are enough, so the memory
// stays bounded. While text waits to be drawn, the pane carries the
// attribute data-pending (tests wait for it to go rather than guess the
// interval).
export class Transcript {
  constructor(pane, keep, interval = 100) {
    this.pane = pane;
    this.keep = keep;
    this.interval = interval;
    this.lastRender = -Infinity;
    this.pending = [];
    this.pendingLines = 0;
    this.blocks = [];         // [block, its lines]
    this.shownLines = 0;
    this.written = 0;
    this.restart = false;
    this.current = document.createElement('div');
    pane.appendChild(this.current);
  }

  // Counted text is the program's; an echo of typed input is not.
  add(text, counted) {
    const lines = countLines(text);
    if (counted) this.written += lines;
    if (this.pending.length === 0) this.pane.dataset.pending = '';
    this.pending.push(text);
    this.pendingLines += lines;
    // Not drawn for a long while (a page in the background): only the last
    // lines are kept, and they replace the pane's.
    if (this.pendingLines > 2 * this.keep) {
      const all = (this.restart ? '' : this.current.textContent) + this.pending.join('');
      this.pending = [lastLines(all, this.keep)];
      this.pendingLines = this.keep;
      this.restart = true;
    }
  }

  render(now = performance.now()) {
    if (this.pending.length === 0 || now - this.lastRender < this.interval) return;
    this.lastRender = now;
    const pane = this.pane;
    const atBottom = pane.scrollHeight - pane.scrollTop - pane.clientHeight < 24;
    let text = this.pending.join('');
    if (this.restart) {
      for (const [block] of this.blocks) block.remove();
      this.blocks = [];
      this.shownLines = 0;
      this.restart = false;
    } else {
      text = this.current.textContent + text;
    }
    const end = text.lastIndexOf('\n') + 1;
    if (end > 0) {
      const block = document.createElement('div');
      block.textContent = text.slice(0, end);
      pane.insertBefore(block, this.current);
      this.blocks.push([block, this.pendingLines]);
      this.shownLines += this.pendingLines;
    }
    // A line without an end is kept to a screenful.
    this.current.textContent = text.slice(end).slice(-4096);
    this.pending = [];
    this.pendingLines = 0;
    delete pane.dataset.pending;
    const drop = blocksToDrop(this.blocks.map(([, lines]) => lines), this.keep);
    for (const [oldest, lines] of this.blocks.splice(0, drop)) {
      oldest.remove();
      this.shownLines -= lines;
    }
    if (atBottom) pane.scrollTop = pane.scrollHeight;
  }
}
