// Starts the bundled linter-lsp for BGT documents; its warnings come back as diagnostics.
const path = require('path');
const { LanguageClient } = require('vscode-languageclient/node');

let client;

function activate(context) {
  const binary = process.platform === 'win32' ? 'linter-lsp.exe' : 'linter-lsp';
  const server = { command: context.asAbsolutePath(path.join('server', binary)) };
  client = new LanguageClient('bgt-linter', 'BGT Linter', server, {
    documentSelector: [
      { scheme: 'file', language: 'bgt' },
      { scheme: 'untitled', language: 'bgt' },
    ],
  });
  return client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
