// The TOVL extension for VS Code: starts tovl-lsp for the TOVL scripts that are open and shows
// what it sends (the checker's findings, highlighting, hover, jumps, hints, fixes).
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

let client;

function activate() {
  const command = vscode.workspace.getConfiguration('tovl').get('server.command', 'tovl-lsp');
  client = new LanguageClient(
    'tovl',
    'TOVL',
    { command, args: ['--stdio'] },
    {
      documentSelector: [
        { scheme: 'file', language: 'tovl' },
        { scheme: 'untitled', language: 'tovl' },
      ],
    },
  );
  return client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
