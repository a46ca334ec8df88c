// The VS Code extension's TextMate grammar, run by VS Code's own engine
// (vscode-textmate with vscode-oniguruma) on a sample description: writes
// one line per piece that is not white space, "line|text|scope" (the
// innermost scope), to be compared with vscode_highlight.expected.
//   node vscode_grammar.js NODE_MODULES GRAMMAR SAMPLE OUT
'use strict';
const fs = require('fs');
const path = require('path');

const [modules, grammarPath, samplePath, outPath] = process.argv.slice(2);
const textmate = require(path.join(modules, 'vscode-textmate'));
const oniguruma = require(path.join(modules, 'vscode-oniguruma'));

async function main() {
  const wasm = fs.readFileSync(path.join(modules, 'vscode-oniguruma', 'release', 'onig.wasm'));
  await oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
  const registry = new textmate.Registry({
    onigLib: Promise.resolve({
      createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
      createOnigString: (s) => new oniguruma.OnigString(s),
    }),
    loadGrammar: async () => textmate.parseRawGrammar(fs.readFileSync(grammarPath, 'utf8'), grammarPath),
  });
  const grammar = await registry.loadGrammar('source.qel');
  const out = [];
  let stack = textmate.INITIAL;
  fs.readFileSync(samplePath, 'utf8').split('\n').forEach((line, i) => {
    if (i > 0 && line === '' && i === fs.readFileSync(samplePath, 'utf8').split('\n').length - 1) return;
    const result = grammar.tokenizeLine(line, stack);
    for (const t of result.tokens) {
      const text = line.substring(t.startIndex, t.endIndex);
      if (text.trim() === '') continue;
      out.push(`${i + 1}|${text}|${t.scopes[t.scopes.length - 1]}`);
    }
    stack = result.ruleStack;
  });
  fs.writeFileSync(outPath, out.join('\n') + '\n');
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
