// The program's side of the page: its standard streams and its main loop.
// An emscripten library (--js-library), linked in place of the browser
// toolkit's own versions of these calls, which would print standard output
// only line by line, read no standard input, step the simulation while the
// keyboard callback waits for an answer, and take every key typed anywhere
// on the page. emscripten copies each function below into the program's
// script (orbiquel.js), a classic script, so this file imports nothing and
// uses emscripten's globals only. The script runs in a worker
// (program-worker.js) where the browser can draw WebGL there, and on the
// page otherwise; so nothing here touches the document.
//
// Whoever runs the program sets these hooks in emscripten's global Module,
// each optional:
//   Module.orbiquelOutput(fd, text)  text the program wrote on fd 1 or 2
//   Module.orbiquelWaiting(waiting)  the program waits for a line, or no more
//   Module.orbiquelKeyDone()         a key's callback has run to its end
//   Module.orbiquelHalted(message)   the program has stopped for good
//   Module.orbiquelStarted()         the first simulation step has run
//   Module.orbiquelPaused()          the steps have stopped at pauseAt
//   Module.orbiquelFrame()           a frame has been drawn
//   Module.orbiquelTitle(title)      the program names its window
// and reads or calls these of Module.orbiquel (the $Orbiquel object below;
// on the page, when the program runs in a worker, its mirror, remote.js):
//   steps, frames        simulation steps run and frames drawn so far
//   firstFrameTime       when the first frame was drawn (performance.now())
//   redisplay            a frame is asked for and not yet drawn
//   keyboardFunc         the keyboard callback, 0 before there is one
//   waiting()            whether the program waits for a line
//   input(text)          hands typed text to standard input
//   pressKey(code)       presses a key on the scene; true when its callback ran
//   halt(message)        stops the program for good
//   paused, pause(), resume(), step()
//                        whether the idle callbacks are held; hold them, let
//                        them run on, or, while paused, let one more run
//   pauseAt              pauses once this many idle callbacks have run
//   startHeld            no idle callback runs while set: the program's
//                        worker sets it till the page has taken the load
//   ballState()          the ball and the camera, as web/BallState.cpp gives them
// Test settings, which the page itself never changes:
//   stepLimit            no idle callback once this many have run (the
//                        page's ?steps=N sets it; Infinity otherwise)
//   runMore(n)           lets n more run past it
//   heapInUse()          bytes of the program's heap in use
//   callIdle(func)       runs an idle callback; with 0, a fault to be reported
//   synced()             whether the state read here has seen every call
//                        made (always, but in the worker's mirror)

const LibraryOrbiquel = {
  // Values that a library's object literal cannot carry are set here.
  $Orbiquel__postset: "Module['orbiquel'] = Orbiquel; Orbiquel.stepLimit = Infinity; " +
                      "Orbiquel.pending = new Uint8Array(0);",
  $Orbiquel: {
    // Simulation steps run (idle callbacks) and frames drawn so far.
    steps: 0,
    frames: 0,
    // When the first frame was drawn, in ms since the page's navigation.
    firstFrameTime: null,
    // The page's test setting: no idle callback once this many have run.
    stepLimit: null,
    halted: false,
    // Paused: no idle callback runs, so neither the simulation nor the
    // camera moves, but for the steps asked for one by one. pauseAt pauses
    // once that many idle callbacks have run.
    paused: false,
    stepsAsked: 0,
    pauseAt: null,
    // Set by the program's worker, which can start before the page's parts
    // listen: no idle callback runs until the page has taken the program's
    // load, and with it the step to pause at.
    startHeld: false,
    // The read the program waits in, if any: {iov, iovcnt, pnum, wakeUp}.
    read: null,
    // Bytes typed but not yet read, as a terminal buffers typed-ahead lines.
    pending: null,
    idleFunc: 0,
    idleTimer: null,
    keyboardFunc: 0,
    redisplay: false,
    looping: false,
    decoders: {},

    waiting: function() {
      return Orbiquel.read !== null;
    },

    // Calls f(ptr, len) for each buffer of a WASI iovec array, as fd_read and
    // fd_write are given them.
    eachBuffer: function(iov, iovcnt, f) {
      for (var i = 0; i < iovcnt; i++) {
        f(HEAPU32[(iov + 8 * i) >> 2], HEAPU32[(iov + 8 * i + 4) >> 2]);
      }
    },

    hook: function(name) {
      var f = Module[name];
      if (typeof f === 'function') {
        f.apply(null, Array.prototype.slice.call(arguments, 1));
      }
    },

    input: function(text) {
      var bytes = new TextEncoder().encode(text);
      var joined = new Uint8Array(Orbiquel.pending.length + bytes.length);
      joined.set(Orbiquel.pending);
      joined.set(bytes, Orbiquel.pending.length);
      Orbiquel.pending = joined;
      Orbiquel.serveRead();
    },

    // Hands what is typed to the waiting read, and lets the program go on.
    // Called from the read itself when text is already there (the program
    // goes on at once), or from the page when a line comes.
    serveRead: function(fromRead) {
      var read = Orbiquel.read;
      if (!read || Orbiquel.pending.length === 0 || Orbiquel.halted) {
        return;
      }
      var taken = 0;
      Orbiquel.eachBuffer(read.iov, read.iovcnt, function(ptr, len) {
        var part = Orbiquel.pending.subarray(taken, taken + len);
        HEAPU8.set(part, ptr);
        taken += part.length;
      });
      Orbiquel.pending = Orbiquel.pending.slice(taken);
      HEAPU32[read.pnum >> 2] = taken;
      Orbiquel.read = null;
      Orbiquel.hook('orbiquelWaiting', false);
      // Runs the program on from its read, until it ends the callback or
      // waits again.
      read.wakeUp(0);
      if (!fromRead) {
        Orbiquel.afterCallback();
      }
    },

    // After a key's callback has returned or gone on to its end.
    afterCallback: function() {
      if (!Orbiquel.waiting()) {
        Orbiquel.scheduleIdle();
        Orbiquel.hook('orbiquelKeyDone');
      }
    },

    halt: function(message) {
      if (Orbiquel.halted) {
        return;
      }
      Orbiquel.halted = true;
      Orbiquel.hook('orbiquelHalted', message);
    },

    // One idle callback per turn of the browser's event loop, as its own
    // toolkit does: a timer of no delay, which browsers hold to at least
    // 4 ms once timers follow each other. None while the keyboard callback
    // waits for input: the desktop program's loop stands still then too.
    scheduleIdle: function() {
      if (Orbiquel.idleTimer !== null || !Orbiquel.idleFunc || Orbiquel.held()) {
        return;
      }
      Orbiquel.idleTimer = setTimeout(Orbiquel.runIdle, 0);
    },

    runIdle: function() {
      Orbiquel.idleTimer = null;
      if (Orbiquel.held()) {
        return;
      }
      Orbiquel.stepsAsked = Math.max(0, Orbiquel.stepsAsked - 1);
      Module['_orbiquel_call_idle'](Orbiquel.idleFunc);
      if (++Orbiquel.steps === 1) {
        Orbiquel.hook('orbiquelStarted');
      }
      if (Orbiquel.steps === Orbiquel.pauseAt) {
        Orbiquel.paused = true;
        Orbiquel.hook('orbiquelPaused');
      }
      Orbiquel.scheduleIdle();
    },

    // No idle callback may run now: the program has stopped, waits for a
    // line, has run its step limit, or is paused without a step asked for.
    held: function() {
      return Orbiquel.halted || Orbiquel.startHeld || Orbiquel.waiting() ||
             Orbiquel.steps >= Orbiquel.stepLimit || (Orbiquel.paused && Orbiquel.stepsAsked === 0);
    },

    pause: function() {
      Orbiquel.paused = true;
      Orbiquel.stepsAsked = 0;
      clearTimeout(Orbiquel.idleTimer);
      Orbiquel.idleTimer = null;
    },

    resume: function() {
      Orbiquel.paused = false;
      Orbiquel.scheduleIdle();
    },

    // While paused, one more idle callback (a simulation step and the
    // camera's turn), whose redraw request draws one frame. False when none
    // may run now.
    step: function() {
      if (!Orbiquel.paused) {
        return false;
      }
      Orbiquel.stepsAsked++;
      if (Orbiquel.held()) {
        Orbiquel.stepsAsked--;
        return false;
      }
      Orbiquel.scheduleIdle();
      return true;
    },

    // Lets n more idle callbacks run past the step limit.
    runMore: function(n) {
      Orbiquel.stepLimit = Math.max(Orbiquel.stepLimit, Orbiquel.steps) + n;
      Orbiquel.scheduleIdle();
    },

    // Draws at most once per animation frame, when a redraw was asked for.
    frame: function() {
      if (Orbiquel.redisplay && GLUT.displayFunc && !Orbiquel.halted && !Orbiquel.waiting()) {
        Orbiquel.redisplay = false;
        Module['_orbiquel_call_display'](GLUT.displayFunc);
        if (++Orbiquel.frames === 1) {
          Orbiquel.firstFrameTime = performance.now();
        }
        Orbiquel.hook('orbiquelFrame');
      }
      requestAnimationFrame(Orbiquel.frame);
    },

    // The ball's position and velocity and the step and the camera's angle
    // (web/BallState.cpp), or null before the room exists and in a program
    // built without the reader (the page's tests build one).
    ballState: function() {
      var at = typeof Module['_orbiquel_ball_state'] === 'function' &&
               Module['_orbiquel_ball_state']();
      return at ? Array.from(HEAPF64.subarray(at >> 3, (at >> 3) + 8)) : null;
    },

    heapInUse: function() {
      return Module['_orbiquel_heap_in_use']();
    },

    synced: function() {
      return true;
    },

    // Runs an idle callback now; with 0, a fault to be reported.
    callIdle: function(func) {
      Module['_orbiquel_call_idle'](func);
    },

    // A key with this character code, as if pressed on the scene: the
    // keyboard callback runs, unless the program already waits for a line,
    // which the page's input line then has to give. True when it ran.
    pressKey: function(code) {
      if (Orbiquel.halted || !Orbiquel.keyboardFunc) {
        return false;
      }
      if (Orbiquel.waiting()) {
        Orbiquel.hook('orbiquelWaiting', true);
        return false;
      }
      // The program's keyboard callback reads no pointer position.
      Module['_orbiquel_call_keyboard'](Orbiquel.keyboardFunc, code, 0, 0);
      Orbiquel.afterCallback();
      return true;
    },
  },

  orbiquel_halt: function(message) {
    Orbiquel.halt(UTF8ToString(message));
  },

  // Standard output and standard error go to the page as they are written,
  // partial lines (the prompts) included.
  // The toolkit's fd_write has a postset that flushes its line buffers at
  // exit through a function this one neither needs (it buffers nothing)
  // nor links; an empty one replaces it.
  fd_write__postset: '',
  fd_write: function(fd, iov, iovcnt, pnum) {
    if (fd !== 1 && fd !== 2) {
      return 8;  // WASI's EBADF
    }
    var decoder = Orbiquel.decoders[fd] || (Orbiquel.decoders[fd] = new TextDecoder());
    var text = '';
    var num = 0;
    Orbiquel.eachBuffer(iov, iovcnt, function(ptr, len) {
      text += decoder.decode(HEAPU8.subarray(ptr, ptr + len), {stream: true});
      num += len;
    });
    HEAPU32[pnum >> 2] = num;
    if (text) {
      Orbiquel.hook('orbiquelOutput', fd, text);
    }
    return 0;
  },

  // Standard input: a read returns what has been typed, or waits (the
  // program's stack is unwound and rewound) until a line is handed in.
  fd_read: function(fd, iov, iovcnt, pnum) {
    if (fd !== 0) {
      return 8;  // WASI's EBADF
    }
    return Asyncify.handleSleep(function(wakeUp) {
      Orbiquel.read = {iov: iov, iovcnt: iovcnt, pnum: pnum, wakeUp: wakeUp};
      if (Orbiquel.pending.length > 0) {
        Orbiquel.serveRead(true);
      } else {
        Orbiquel.hook('orbiquelWaiting', true);
      }
    });
  },

  // emscripten 3.1.6's glutInit (src/library_glut.js, as Debian ships it)
  // installs touch handlers that turn every touch anywhere on the page into
  // mouse events and block the default of each touch on the scene, so a tap
  // on it would neither focus it nor let a swipe scroll the page; and a
  // window-wide key handler, and mouse handlers. The program has no mouse
  // callbacks; keys reach it from the scene only (the page's keys.js), taps
  // as keys (touch.js).
  glutInit__deps: ['$GLUT'],
  glutInit: function() {  // argc and argv are not read
    GLUT.initTime = Date.now();
  },

  // The toolkit's own sizes the canvas through the document, which a worker
  // has not: the scene's canvas takes the window's size as it is.
  glutInitWindowSize: function(width, height) {
    GLUT.initWindowWidth = Module['canvas'].width = width;
    GLUT.initWindowHeight = Module['canvas'].height = height;
  },

  // As the toolkit's own: the window's first reshape and display.
  glutMainLoop__deps: ['$dynCall', 'glutPostRedisplay'],
  glutMainLoop: function() {
    if (GLUT.reshapeFunc) {
      dynCall('vii', GLUT.reshapeFunc, [Module['canvas'].width, Module['canvas'].height]);
    }
    _glutPostRedisplay();
    throw 'unwind';
  },

  glutIdleFunc: function(func) {
    Orbiquel.idleFunc = func;
    Orbiquel.scheduleIdle();
  },

  glutKeyboardFunc: function(func) {
    Orbiquel.keyboardFunc = func;
  },

  glutPostRedisplay: function() {
    Orbiquel.redisplay = true;
    if (!Orbiquel.looping) {
      Orbiquel.looping = true;
      requestAnimationFrame(Orbiquel.frame);
    }
  },

  // After emscripten 3.1.6's glutCreateWindow; the window's title becomes the
  // page's, and the context is made current without the toolkit's
  // Browser.init, whose pointer-lock handlers need a document.
  glutCreateWindow__deps: ['$Browser', '$GL'],
  glutCreateWindow: function(name) {
    Orbiquel.hook('orbiquelTitle', UTF8ToString(name));
    var contextAttributes = {
      antialias: ((GLUT.initDisplayMode & 0x0080 /*GLUT_MULTISAMPLE*/) !== 0),
      depth: ((GLUT.initDisplayMode & 0x0010 /*GLUT_DEPTH*/) !== 0),
      stencil: ((GLUT.initDisplayMode & 0x0020 /*GLUT_STENCIL*/) !== 0),
      alpha: ((GLUT.initDisplayMode & 0x0008 /*GLUT_ALPHA*/) !== 0)
    };
    // The page made the context (GL_PREINITIALIZED_CONTEXT): it must be the
    // one the display mode asks for.
    var made = Module['preinitializedWebGLContext'];
    var differ = made ? Object.keys(contextAttributes).filter(function(name) {
      return made.getContextAttributes()[name] !== contextAttributes[name];
    }) : [];
    if (differ.length) {
      Orbiquel.halt('The page made the scene\'s WebGL context with other ' + differ.join(', ') +
                    ' than the program\'s display mode asks for.');
      return 0;
    }
    // With no extension enabled: emscripten enables every one the browser
    // offers, a call to the graphics process each, slow from a worker, and
    // the program draws with none.
    var handle = GL.createContext(Module['canvas'],
                                  Object.assign({enableExtensionsByDefault: false}, contextAttributes));
    if (!handle) {
      Orbiquel.halt('This browser could not create a WebGL context for the scene.');
      return 0;
    }
    Module.ctx = GL.getContext(handle).GLctx;
    GL.makeContextCurrent(handle);
    // The fixed-function emulation sets itself up here, for a WebGL context.
    Module.useWebGL = true;
    Browser.moduleContextCreatedCallbacks.forEach(function(callback) {
      callback();
    });
    return 1;
  },
};

// Every function here uses $Orbiquel.
autoAddDeps(LibraryOrbiquel, '$Orbiquel');
mergeInto(LibraryManager.library, LibraryOrbiquel);
