// Offline and installable: once the program runs, the page registers its
// worker (sw.js), which keeps this build's files so that the page opens
// with no network, and lets the browser offer to install it.
export function setupOffline({ bus }) {
  // Served over HTTP(S) only; a worker keeps nothing for a page opened as
  // a file, which says what to do instead.
  if (!('serviceWorker' in navigator) || !/^https?:$/.test(location.protocol)) return;
  // After the first step, so that fetching the files to keep does not
  // delay the first frame.
  bus.on('started', () => {
    navigator.serviceWorker.register('sw.js').catch((error) => {
      console.info('The page could not register its offline worker: ' + error);
    });
  });
}
