// Starts qel2json-lsp for *.qel files and hands its diagnostics, outline,
// highlighting, hover texts, quick fixes and formatting to VS Code (each
// registered by the client from the server's capabilities).  The build bundles
// this file with the client library into dist/extension.js (esbuild).
'use strict';
const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');

function activate(context) {
  const command = vscode.workspace.getConfiguration('qel2json').get('server.path') || 'qel2json-lsp';
  const server = { command, transport: TransportKind.stdio };
  const client = new LanguageClient('qel2json', 'qel2json', server, {
    documentSelector: [{ language: 'qel' }],
  });
  // VS Code disposes of the subscriptions when it deactivates the
  // extension, which stops the server.
  context.subscriptions.push(client);
  return client.start();
}

module.exports = { activate };
