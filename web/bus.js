// The page's parts meet through one bus of named events. Each event is
// listed here once, with what it carries (its detail):
//
//   loaded     -            the program's script has run: its standard input
//                           (Module.orbiquel.input) exists
//   started    -            the first simulation step has run
//   output     {fd, text}   text the program wrote on standard output (fd 1)
//                           or standard error (fd 2)
//   waiting    bool         the program waits for a line, or no more
//   keyDone    -            a key's callback has run to its end
//   line       text         a line (without its end) goes to standard input,
//                           from the input line or the page's controls
//   prompt     null, 'menu', 0 to 5 or 'other'
//                           what the program waits for: nothing (it runs),
//                           the menu's answer, the ball prompt of that index,
//                           or something else
//   dropped    [6 strings]  the program took a drop's six numbers, as typed
//   tap        -            a tap on the scene is about to press its key
//   paused     bool         the idle callbacks were held (true: by Pause, at
//                           the step a link asks for, or again after a Step)
//                           or let run on (false)
//   halted     message      the program has stopped for good
//
// Listeners run in the order they were added. One that throws is reported
// on the browser's console and the others still run: the events are
// emitted from inside the program's calls (its writes and reads), which a
// fault of the page must not reach.
export const EVENTS = ['loaded', 'started', 'output', 'waiting', 'keyDone', 'line', 'prompt',
  'dropped', 'tap', 'paused', 'halted'];

class PageEvent extends Event {
  constructor(name, detail) {
    super(name);
    this.detail = detail;
  }
}

export class PageBus extends EventTarget {
  static check(name) {
    if (!EVENTS.includes(name)) throw new Error(`The page has no event '${name}'.`);
  }

  on(name, listener) {
    PageBus.check(name);
    this.addEventListener(name, (event) => {
      try {
        listener(event.detail);
      } catch (error) {
        console.error(`A listener for the page's event '${name}' failed:`, error);
      }
    });
  }

  emit(name, detail) {
    PageBus.check(name);
    this.dispatchEvent(new PageEvent(name, detail));
  }
}
