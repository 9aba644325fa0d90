// The program running in a worker (program-worker.js), as the page sees it:
// the fields and calls of the program's own state (Module.orbiquel, which
// library_orbiquel.js lists), kept from the worker's messages. Calls are
// posted; what a call changes is changed here at once too, and kept until
// the worker's state has seen the call.

// Fields the worker's state brings, and those the page's calls change too
// (here's name: the state's).
const FIELDS = ['steps', 'frames', 'firstFrameTime', 'redisplay', 'keyboardFunc', 'stepLimit'];
const OWN = { paused: 'paused', at: 'pauseAt', halted: 'halted' };

export class RemoteProgram {
  // hook(name, args) runs the page's hook of that name.
  constructor(worker, hook) {
    this.worker = worker;
    this.hook = hook;
    this.sent = 0;
    this.handled = null;
    Object.assign(this, {
      steps: 0, frames: 0, firstFrameTime: null, redisplay: false, keyboardFunc: 0,
      isWaiting: false, paused: false, at: null, stepLimit: Infinity, halted: false,
      lastBallState: null, lastHeapInUse: null,
    });
  }

  // A message from the worker: output, or a hook with the state after it.
  receive({ output, hook, args, state }) {
    for (const [fd, text] of output || []) this.hook('orbiquelOutput', [fd, text]);
    if (state) this.update(state);
    if (hook) this.hook(hook, args);
    // The page's parts have taken the program's load: its steps may begin.
    if (hook === 'orbiquelLoaded') this.worker.postMessage({ loadTaken: true });
  }

  update(state) {
    for (const name of FIELDS) this[name] = state[name];
    this.handled = state.handled;
    if (this.synced()) {
      for (const [name, field] of Object.entries(OWN)) this[name] = state[field];
    }
    this.isWaiting = state.waiting;
    if (state.ballState) this.lastBallState = state.ballState;
    if (state.heapInUse !== null) this.lastHeapInUse = state.heapInUse;
  }

  send(message) {
    this.sent++;
    this.worker.postMessage(message);
  }

  post(name, ...args) {
    this.send({ name, args });
  }

  get pauseAt() {
    return this.at;
  }

  set pauseAt(value) {
    this.at = value;
    this.send({ set: 'pauseAt', value });
  }

  // Whether the state here has seen every call the page made; or there is
  // no state yet, while the program's script loads, and the calls wait.
  synced() {
    return this.handled === null || this.handled === this.sent;
  }

  waiting() {
    return this.isWaiting;
  }

  ballState() {
    return this.lastBallState;
  }

  heapInUse() {
    return this.lastHeapInUse;
  }

  input(text) {
    this.post('input', text);
  }

  // True when the key reaches the keyboard callback, as far as the page
  // knows; the worker tells the page that the program waits, if it does.
  pressKey(code) {
    if (this.halted || !this.keyboardFunc || this.isWaiting) return false;
    this.post('pressKey', code);
    return true;
  }

  halt(message) {
    this.halted = true;
    this.post('halt', message);
  }

  pause() {
    this.paused = true;
    this.post('pause');
  }

  resume() {
    this.paused = false;
    this.post('resume');
  }

  step() {
    if (!this.paused) return false;
    this.post('step');
    return true;
  }

  runMore(n) {
    this.post('runMore', n);
  }

  callIdle(func) {
    this.post('callIdle', func);
  }
}
