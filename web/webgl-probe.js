// Whether this browser draws WebGL in a worker (WebKitGTK does not), asked
// in a worker of its own beside the program's: making a context, even for
// one pixel, takes the graphics process's time, which the program's worker
// spends loading the program instead.
'use strict';

postMessage((() => {
  try {
    const context = new OffscreenCanvas(1, 1).getContext('webgl');
    if (context) context.getExtension('WEBGL_lose_context')?.loseContext();
    return Boolean(context);
  } catch {
    return false;
  }
})());
