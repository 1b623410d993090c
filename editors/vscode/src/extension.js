// The editor's side: starts `kelvconv --lsp` for the sources (language "kelvconv") and gives
// the command that converts the game folder. Everything else comes from the server.
'use strict';
const path = require('path');
const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');
const { serverCommand, convertCommand } = require('./server');

let client = null;

function settings() {
  const c = vscode.workspace.getConfiguration('kelvconv');
  return { inlayHints: c.get('inlayHints', true), convertOnSave: c.get('convertOnSave', true) };
}

async function activate(context) {
  const command = serverCommand({ setting: vscode.workspace.getConfiguration('kelvconv').get('path', '') });
  if (command === null) {
    vscode.window.showErrorMessage(
      vscode.l10n.t('kelvconv was not found: set kelvconv.path to the program (kelvconv.com on Windows), or put its folder on the PATH.'));
    return;
  }
  client = new LanguageClient(
    'kelvconv',
    'kelvconv',
    { command, args: ['--lsp'], transport: TransportKind.stdio },
    {
      documentSelector: [{ language: 'kelvconv' }],
      initializationOptions: settings(),
      synchronize: { configurationSection: 'kelvconv' },
    });
  context.subscriptions.push(
    vscode.commands.registerCommand('kelvconv.convertFolder', async () => {
      const editor = vscode.window.activeTextEditor;
      const folder = editor && editor.document.uri.scheme === 'file'
        ? vscode.Uri.file(path.dirname(editor.document.uri.fsPath))
        : vscode.workspace.workspaceFolders && vscode.workspace.workspaceFolders[0].uri;
      if (!folder) {
        vscode.window.showInformationMessage(vscode.l10n.t('Open a source of the game folder first.'));
        return;
      }
      await client.sendRequest('workspace/executeCommand', { command: convertCommand, arguments: [folder.toString()] });
    }));
  await client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
