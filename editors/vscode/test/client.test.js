// The extension's client code against the real server, under plain Node: the program found as
// the extension finds it, spoken to through the protocol library the editor's client is built
// on (vscode-languageserver-protocol), on a document as the editor holds it (Unicode text, UTF-16
// columns). Also the grammar and file patterns made from kelvconv --explain --json.
//
//   KELVCONV=build/gcc/kelvconv node --test test/
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { spawn, execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const rpc = require('vscode-languageserver-protocol/node');
const { serverCommand, convertCommand } = require('../src/server');
const { grammar } = require('../scripts/generate');

const program = process.env.KELVCONV;
const kWait = 5000;  // the longest any answer may take

// Resolves with the first notification `method` whose params pass `accept`; fails after kWait.
function notified(connection, type, accept = () => true) {
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`no ${type.method} within ${kWait} ms`)), kWait);
    connection.onNotification(type, (params) => {
      if (accept(params)) {
        clearTimeout(timer);
        resolve(params);
      }
    });
  });
}

test('the program is found as the extension finds it', () => {
  const at = (files) => (file) => files.includes(file);
  assert.strictEqual(serverCommand({ setting: '/x/kelvconv', exists: at([]) }), '/x/kelvconv');
  assert.strictEqual(serverCommand({ platform: 'linux', env: { PATH: '/a:/b' }, exists: at(['/b/kelvconv']) }),
                     '/b/kelvconv');
  assert.strictEqual(serverCommand({ platform: 'linux', env: { PATH: '/a' }, exists: at([]) }), null);
  const windows = { Path: 'C:\\w', LOCALAPPDATA: 'C:\\Users\\u\\AppData\\Local' };
  assert.strictEqual(serverCommand({ platform: 'win32', env: windows, exists: at(['C:\\w\\kelvconv.com']) }),
                     'C:\\w\\kelvconv.com');
  assert.strictEqual(
    serverCommand({ platform: 'win32', env: windows, exists: at(['C:\\Users\\u\\AppData\\Local\\Programs\\kelvconv\\kelvconv.com']) }),
    'C:\\Users\\u\\AppData\\Local\\Programs\\kelvconv\\kelvconv.com');
});

test('the grammar and the file patterns come from the program', () => {
  const formats = JSON.parse(execFileSync(program, ['--explain', '--json'], { encoding: 'utf8' }));
  const made = grammar(formats);
  const tag = new RegExp(made.repository.tag.match);
  assert.ok(tag.test('<item_data>') && tag.test('</shop_data>'));
  assert.ok(!tag.test('<item_data> ') && !tag.test('<no_such_tag>'));
  assert.ok(new RegExp(made.repository.section.begin).test('<scene_name>'));
  const number = new RegExp(made.repository.value.patterns[0].match, 'g');
  assert.deepStrictEqual('12 -3 1.5e3 x7 8'.match(number), ['12', '-3', '1.5e3', '8']);
  const patterns = formats.kinds.filter((k) => k.match === 'prefix').map((k) => k.pattern);
  assert.deepStrictEqual(patterns.sort(), ['map_anim*.txt', 'scene*.txt']);
});

test('a session with the server', async () => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'kelvconv-'));
  const server = spawn(serverCommand({ setting: program }), ['--lsp'], { stdio: ['pipe', 'pipe', 'inherit'] });
  const exited = new Promise((resolve) => server.on('exit', (code) => resolve(code)));
  const connection = rpc.createProtocolConnection(new rpc.StreamMessageReader(server.stdout),
                                                  new rpc.StreamMessageWriter(server.stdin));
  connection.listen();
  try {
    const init = await connection.sendRequest(rpc.InitializeRequest.type, {
      processId: process.pid, rootUri: null, locale: 'en',
      capabilities: { general: { positionEncodings: ['utf-16'] } },
      initializationOptions: { convertOnSave: true, inlayHints: true },
    });
    assert.strictEqual(init.capabilities.positionEncoding, 'utf-16');
    connection.sendNotification(rpc.InitializedNotification.type, {});

    const uri = 'file://' + folder + '/item_list.txt';
    const text = '<item_number>\r\n1\r\n</item_number>\r\n<item_data>\r\n' +
                 '0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 薬草 説明 余り\r\n</item_data>\r\n';
    fs.writeFileSync(path.join(folder, 'item_list.txt'), execFileSync('iconv', ['-f', 'UTF-8', '-t', 'CP932'], { input: text }));
    const published = notified(connection, rpc.PublishDiagnosticsNotification.type, (p) => p.uri === uri);
    connection.sendNotification(rpc.DidOpenTextDocumentNotification.type,
                                { textDocument: { uri, languageId: 'kelvconv', version: 1, text } });
    const found = (await published).diagnostics;
    // The value too many after the Japanese text: its UTF-16 column, not its byte.
    assert.deepStrictEqual(found.map((d) => [d.code, d.range.start.line, d.range.start.character]),
                           [['extra-values', 4, 44]]);

    const hover = await connection.sendRequest(rpc.HoverRequest.type,
                                               { textDocument: { uri }, position: { line: 4, character: 39 } });
    assert.match(hover.contents.value, /value 17 of 18.*`word`/);

    const items = await connection.sendRequest(rpc.CompletionRequest.type,
                                               { textDocument: { uri }, position: { line: 5, character: 0 } });
    assert.strictEqual(items.items[0].label, '</item_data>');

    const said = notified(connection, rpc.ShowMessageNotification.type);
    connection.sendNotification(rpc.DidSaveTextDocumentNotification.type, { textDocument: { uri } });
    assert.match((await said).message, /item_list\.dat/);
    assert.ok(fs.existsSync(path.join(folder, 'item_list.dat')));

    const again = notified(connection, rpc.ShowMessageNotification.type);
    await connection.sendRequest(rpc.ExecuteCommandRequest.type,
                                 { command: convertCommand, arguments: ['file://' + folder] });
    assert.match((await again).message, /item_list\.dat/);

    await connection.sendRequest(rpc.ShutdownRequest.type);
    connection.sendNotification(rpc.ExitNotification.type);
    assert.strictEqual(await exited, 0);
  } finally {
    connection.dispose();
    server.kill();
    fs.rmSync(folder, { recursive: true, force: true });
  }
});
