// ESLint's settings for the project's JavaScript (npx eslint .): the
// recommended rules, strict equality, nothing used before it is defined,
// and no globals made by accident. Each file gets the globals of where it
// runs.
'use strict';

const js = require('@eslint/js');
const globals = require('globals');

module.exports = [
  { ignores: ['build/', 'node_modules/'] },
  js.configs.recommended,
  {
    rules: {
      eqeqeq: 'error',
      'no-use-before-define': 'error',
      'no-implicit-globals': 'error',
    },
  },
  // The page: modules in the browser.
  {
    files: ['web/**/*.js'],
    languageOptions: { sourceType: 'module', globals: globals.browser },
  },
  // The page's classic scripts, run before its modules.
  {
    files: ['web/early.js', 'web/start.js'],
    languageOptions: { sourceType: 'script' },
  },
  // The program's worker, which loads the program's classic script, and the
  // worker that asks whether WebGL is drawn in a worker.
  {
    files: ['web/program-worker.js', 'web/webgl-probe.js'],
    languageOptions: { sourceType: 'script', globals: globals.worker },
  },
  // The offline worker.
  {
    files: ['web/sw.js'],
    languageOptions: { sourceType: 'script', globals: globals.serviceworker },
  },
  // An emscripten library: emscripten evaluates it to copy its functions
  // into the program's script, where these are emscripten's own.
  {
    files: ['web/library_orbiquel.js'],
    languageOptions: {
      sourceType: 'script',
      globals: Object.fromEntries([
        'mergeInto', 'autoAddDeps', 'LibraryManager', 'Module', 'Orbiquel', 'Asyncify',
        'Browser', 'GL', 'GLUT', 'HEAPU8', 'HEAPU32', 'HEAPF64', 'UTF8ToString', 'dynCall',
        '_glutPostRedisplay',
      ].map((name) => [name, 'readonly'])),
    },
  },
  // The pure modules' unit tests, and this file: node.
  {
    files: ['tests/**/*.mjs'],
    languageOptions: { sourceType: 'module', globals: globals.node },
  },
  {
    files: ['eslint.config.js'],
    languageOptions: { sourceType: 'commonjs', globals: globals.node },
  },
];
