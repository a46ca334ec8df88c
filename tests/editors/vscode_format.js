// Formatting in VS Code: the extension's bundled client, in Node.js with a
// stand-in for VS Code's own module, starts qel2json-lsp (on PATH) and
// must register a formatting provider for the language qel, from nothing
// but the server's capabilities.  Each description given is then opened,
// and formatted through that provider as Format Document does; writes the
// providers registered, then for each file its edits (range in VS Code's
// UTF-16 positions, and new text) and the warnings shown, to be compared
// with vscode_format.expected.
//   node vscode_format.js BUNDLE OUT FILE...
'use strict';
const fs = require('fs');
const Module = require('module');
const path = require('path');

const [bundle, outPath, ...files] = process.argv.slice(2);

// Every value the client asks for and this stand-in does not name: each
// function, object and class at once, but no promise.
const anything = new Proxy(function () {}, {
  get: (target, key) => (key === 'then' ? undefined : key === Symbol.toPrimitive ? () => '' : anything),
  apply: () => anything,
  construct: () => anything,
});

class Disposable {
  static from() { return new Disposable(); }
  dispose() {}
}
class EventEmitter {
  constructor() { this.listeners = []; this.event = (f) => (this.listeners.push(f), new Disposable()); }
  fire(e) { this.listeners.forEach((f) => f(e)); }
  dispose() {}
}
class Position { constructor(line, character) { Object.assign(this, { line, character }); } }
class Range { constructor(a, b, c, d) { Object.assign(this, { start: new Position(a, b), end: new Position(c, d) }); } }
class TextEdit { constructor(range, newText) { Object.assign(this, { range, newText }); } }

// The events a namespace offers (onDid...) are kept, to be fired here.
const events = {};
function namespace(members) {
  return new Proxy(members, {
    get: (target, key) => {
      if (key in target) return target[key];
      if (String(key).startsWith('on')) return (f) => ((events[key] = events[key] || []).push(f), new Disposable());
      return anything;
    },
  });
}

const providers = [];
const shown = [];
const vscode = new Proxy({
  version: '1.82.0',
  Disposable, EventEmitter, Position, Range, TextEdit,
  workspace: namespace({ getConfiguration: () => ({ get: (key, fallback) => fallback }), textDocuments: [] }),
  window: namespace({
    createOutputChannel: () => anything,
    visibleTextEditors: [],
    showWarningMessage: (m) => (shown.push('warning: ' + m), Promise.resolve()),
    showErrorMessage: (m) => (shown.push('error: ' + m), Promise.resolve()),
    showInformationMessage: (m) => (shown.push('information: ' + m), Promise.resolve()),
  }),
  languages: namespace({
    match: (selector, document) => (selector.some((s) => s.language === document.languageId) ? 10 : 0),
    ...Object.fromEntries(['Hover', 'DocumentSymbol', 'CodeActions', 'DocumentFormattingEdit', 'FoldingRange',
      'DocumentSemanticTokens'].map((kind) => ['register' + kind + 'Provider', (selector, provider) => {
      providers.push({ kind, selector, provider });
      return new Disposable();
    }])),
  }),
}, { get: (target, key) => (key in target ? target[key] : anything) });

const load = Module._load;
Module._load = function (request, ...rest) {
  return request === 'vscode' ? vscode : load.call(this, request, ...rest);
};

function document(file) {
  const text = fs.readFileSync(file, 'utf8');
  const uri = 'file://' + path.resolve(file);
  return {
    uri: { scheme: 'file', fsPath: path.resolve(file), toString: () => uri },
    languageId: 'qel', version: 1, isClosed: false, isDirty: false, lineCount: text.split('\n').length,
    getText: () => text,
  };
}

const at = (p) => p.line + ':' + p.character;

async function main() {
  const context = { subscriptions: [] };
  await require(path.resolve(bundle)).activate(context);
  const lines = providers.map((p) => 'provider: ' + p.kind + ' for ' + JSON.stringify(p.selector));
  const formatting = providers.find((p) => p.kind === 'DocumentFormattingEdit');
  const token = { isCancellationRequested: false, onCancellationRequested: () => new Disposable() };
  for (const file of formatting ? files : []) {
    const doc = document(file);
    (events.onDidOpenTextDocument || []).forEach((f) => f(doc));
    shown.length = 0;
    const edits = await formatting.provider.provideDocumentFormattingEdits(doc, { tabSize: 4, insertSpaces: true }, token);
    lines.push(path.basename(file) + ': ' + (edits ? edits.length : String(edits)) + ' edits');
    for (const e of edits || []) lines.push('  ' + at(e.range.start) + '-' + at(e.range.end) + ' ' + JSON.stringify(e.newText));
    for (const m of shown) lines.push('  ' + m);
  }
  fs.writeFileSync(outPath, lines.join('\n') + '\n');
  context.subscriptions.forEach((s) => s.dispose());
}

main().then(() => process.exit(0), (e) => { console.error(e); process.exit(1); });
