// The page's worker: keeps one build's files so that the page opens with
// no network. The build writes this file with the site's files and their
// SHA-256 digests; the cache is named by the digests, so each build has a
// cache of its own, filled only with files whose digests match.
//
// Network first: while the server answers, its files are used (revalidated,
// not taken from the HTTP cache), so a rebuilt site shows at the next
// reload. A page whose address came from the network takes all its files
// from the network, and one that came from the cache takes them all from
// that cache, so that no page mixes files of two builds. Only the site's
// own files are kept; every other request is left to the browser.
// Its functions are constants: a worker's global scope is its own, but
// declared functions would still be globals of it.
'use strict';

const FILES = {/*ORBIQUEL_SITE_FILES*/};
const BUILD = '/*ORBIQUEL_BUILD*/';
const SCOPE = new URL(self.registration.scope);
const CACHE = 'orbiquel ' + SCOPE.pathname + ' ' + BUILD;
// Where each page (client) took its address from: 'network' or 'cache'.
const sources = new Map();

const digest = async (buffer) => {
  const bytes = new Uint8Array(await crypto.subtle.digest('SHA-256', buffer));
  return Array.from(bytes, (b) => b.toString(16).padStart(2, '0')).join('');
};

self.addEventListener('install', (event) => {
  event.waitUntil((async () => {
    // All files first, each checked against this build's digest, then into
    // the cache. The browser's HTTP cache, which the page has just filled,
    // is asked first; a file of another build there (or on a server in the
    // middle of an update) is fetched again past it, and if it still does
    // not match, nothing is kept.
    const fetched = await Promise.all(Object.keys(FILES).map(async (name) => {
      const url = new URL(name, SCOPE).href;
      for (const cache of ['default', 'no-store']) {
        const response = await fetch(url, { cache });
        if (response.ok && await digest(await response.clone().arrayBuffer()) === FILES[name]) {
          return [url, response];
        }
      }
      throw new Error(name + ' is not of this build');
    }));
    const cache = await caches.open(CACHE);
    try {
      for (const [url, response] of fetched) await cache.put(url, response);
    } catch (error) {
      await caches.delete(CACHE);
      throw error;
    }
    await self.skipWaiting();
  })());
});

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    const ours = 'orbiquel ' + SCOPE.pathname + ' ';
    for (const name of await caches.keys()) {
      if (name.startsWith(ours) && name !== CACHE) await caches.delete(name);
    }
    await self.clients.claim();
  })());
});

// The site's file a request asks for, or null.
const siteFile = (request) => {
  const url = new URL(request.url);
  if (request.method !== 'GET' || url.origin !== SCOPE.origin ||
      !url.pathname.startsWith(SCOPE.pathname)) {
    return null;
  }
  const name = url.pathname.slice(SCOPE.pathname.length) || 'index.html';
  return Object.prototype.hasOwnProperty.call(FILES, name) ? name : null;
};

const respond = async (event, name) => {
  const navigation = event.request.mode === 'navigate';
  // A page, and a worker that a page starts (the program's), are clients
  // made by this request: each takes its files from where its own came
  // from, so a worker's are of its page's build.
  const made = navigation || event.request.destination === 'worker'
    ? event.resultingClientId : '';
  const source = navigation ? undefined : sources.get(event.clientId);
  if (source !== 'cache') {
    try {
      // A navigation's request cannot be copied with options; its address
      // can.
      const response = navigation
        ? await fetch(event.request.url, { cache: 'no-cache', credentials: 'same-origin' })
        : await fetch(event.request, { cache: 'no-cache' });
      if (made) sources.set(made, 'network');
      return response;
    } catch (error) {
      if (source === 'network') throw error;
    }
  }
  const kept = await caches.open(CACHE).then((cache) => cache.match(new URL(name, SCOPE).href));
  if (!kept) return Response.error();
  if (made) sources.set(made, 'cache');
  return kept;
};

self.addEventListener('fetch', (event) => {
  const name = siteFile(event.request);
  if (name !== null) event.respondWith(respond(event, name));
});
