// The program's heap in use, for the page's memory test: unlike the size of
// the WebAssembly memory, which grows in 64 KiB pages and never shrinks, it
// shows a leak of a few bytes a step within a minute.
#include <emscripten.h>
#include <malloc.h>

extern "C" EMSCRIPTEN_KEEPALIVE int orbiquel_heap_in_use() { return mallinfo().uordblks; }
