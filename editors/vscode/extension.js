// Starts qel2json-lsp for *.qel files and hands its diagnostics, outline,
// highlighting, hover texts and quick fixes to VS Code.
'use strict';
const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');

let client;

function activate(context) {
  const command = vscode.workspace.getConfiguration('qel2json').get('server.path') || 'qel2json-lsp';
  const server = { command, transport: TransportKind.stdio };
  client = new LanguageClient('qel2json', 'qel2json', server, {
    documentSelector: [{ language: 'qel' }],
  });
  context.subscriptions.push(client);
  return client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
