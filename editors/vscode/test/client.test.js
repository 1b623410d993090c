// The extension's client code against the real server, under plain Node: the program found as
// the extension finds it, spoken to through the protocol library the editor's client is built
// on (vscode-languageserver-protocol), on documents as the editor holds them (Unicode text,
// UTF-16 columns): findings, the checks across files, hover, completion, semantic tokens and what
// an edit changed in them, conversion on save and by command, the user's language. Also the
// grammar and file patterns made from kelvconv --explain --json, and the token types the
// extension declares for the server's legend.
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
const manifest = JSON.parse(fs.readFileSync(path.join(__dirname, '..', 'package.json'), 'utf8'));
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

// The server started as the extension starts it, initialized in the language `locale`.
async function started(locale) {
  const server = spawn(serverCommand({ setting: program }), ['--lsp'], { stdio: ['pipe', 'pipe', 'inherit'] });
  const exited = new Promise((resolve) => server.on('exit', (code) => resolve(code)));
  const connection = rpc.createProtocolConnection(new rpc.StreamMessageReader(server.stdout),
                                                  new rpc.StreamMessageWriter(server.stdin));
  connection.listen();
  const init = await connection.sendRequest(rpc.InitializeRequest.type, {
    processId: process.pid, rootUri: null, locale,
    capabilities: { general: { positionEncodings: ['utf-16'] } },
    initializationOptions: { convertOnSave: true, inlayHints: true },
  });
  connection.sendNotification(rpc.InitializedNotification.type, {});
  // Shut down as the editor does: the server ends with status 0.
  const stop = async () => {
    await connection.sendRequest(rpc.ShutdownRequest.type);
    connection.sendNotification(rpc.ExitNotification.type);
    assert.strictEqual(await exited, 0);
  };
  const dispose = () => {
    connection.dispose();
    server.kill();
  };
  return { connection, init, stop, dispose };
}

// The token types VS Code knows by itself; the others the extension declares.
const kStandardTokens = ['namespace', 'class', 'enum', 'interface', 'struct', 'typeParameter', 'type',
  'parameter', 'variable', 'property', 'enumMember', 'decorator', 'event', 'function', 'method',
  'macro', 'label', 'comment', 'string', 'keyword', 'number', 'regexp', 'operator'];

// `data` with the edits of a delta applied.
function edited(data, edits) {
  const out = [...data];
  for (const e of [...edits].sort((a, b) => b.start - a.start)) out.splice(e.start, e.deleteCount, ...(e.data || []));
  return out;
}

test('a session with the server', async () => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'kelvconv-'));
  const { connection, init, stop, dispose } = await started('en');
  try {
    assert.strictEqual(init.capabilities.positionEncoding, 'utf-16');
    const declared = manifest.contributes.semanticTokenTypes.map((t) => t.id);
    for (const type of init.capabilities.semanticTokensProvider.legend.tokenTypes)
      assert.ok(kStandardTokens.includes(type) || declared.includes(type), `token type ${type}`);

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

    // The colours, then what an edit changed in them: "2" where the count was "1".
    const legend = init.capabilities.semanticTokensProvider.legend.tokenTypes;
    const colours = await connection.sendRequest(rpc.SemanticTokensRequest.type, { textDocument: { uri } });
    assert.deepStrictEqual(colours.data.slice(0, 10), [0, 0, 13, legend.indexOf('keyword'), 0,
                                                       1, 0, 1, legend.indexOf('number'), 0]);
    connection.sendNotification(rpc.DidChangeTextDocumentNotification.type, {
      textDocument: { uri, version: 2 },
      contentChanges: [{ range: { start: { line: 1, character: 0 }, end: { line: 1, character: 1 } }, text: '22' }],
    });
    const delta = await connection.sendRequest(rpc.SemanticTokensDeltaRequest.type,
                                               { textDocument: { uri }, previousResultId: colours.resultId });
    const whole = await connection.sendRequest(rpc.SemanticTokensRequest.type, { textDocument: { uri } });
    assert.deepStrictEqual(edited(colours.data, delta.edits), whole.data);
    assert.strictEqual(whole.data[7], 2);  // the count "22": two units long
    connection.sendNotification(rpc.DidChangeTextDocumentNotification.type, {
      textDocument: { uri, version: 3 },
      contentChanges: [{ range: { start: { line: 1, character: 0 }, end: { line: 1, character: 2 } }, text: '1' }],
    });

    // A shop that sells item 5 of a list of 1, in the same folder: checked against the open list.
    const shop = 'file://' + folder + '/shop_list.txt';
    const checked = notified(connection, rpc.PublishDiagnosticsNotification.type,
                             (p) => p.uri === shop && p.diagnostics.length > 0);
    connection.sendNotification(rpc.DidOpenTextDocumentNotification.type, {
      textDocument: {
        uri: shop, languageId: 'kelvconv', version: 1,
        text: '<shop_number>\n1\n</shop_number>\n<item_number>\n1\n</item_number>\n' +
              '<item_index>\n5\n</item_index>\n</shop_data>\n',
      },
    });
    const reference = (await checked).diagnostics[0];
    assert.strictEqual(reference.code, 'reference');
    assert.strictEqual(reference.range.start.line, 7);
    assert.strictEqual(reference.relatedInformation[0].location.uri, uri);
    assert.strictEqual(reference.relatedInformation[0].location.range.start.line, 1);

    const said = notified(connection, rpc.ShowMessageNotification.type);
    connection.sendNotification(rpc.DidSaveTextDocumentNotification.type, { textDocument: { uri } });
    assert.match((await said).message, /item_list\.dat/);
    assert.ok(fs.existsSync(path.join(folder, 'item_list.dat')));

    const again = notified(connection, rpc.ShowMessageNotification.type);
    await connection.sendRequest(rpc.ExecuteCommandRequest.type,
                                 { command: convertCommand, arguments: ['file://' + folder] });
    assert.match((await again).message, /item_list\.dat/);
    await stop();
  } finally {
    dispose();
    fs.rmSync(folder, { recursive: true, force: true });
  }
});

test('the findings in the language the editor names', async () => {
  const { connection, stop, dispose } = await started('ja');
  try {
    const uri = 'file:///g/item_list.txt';
    const published = notified(connection, rpc.PublishDiagnosticsNotification.type, (p) => p.uri === uri);
    connection.sendNotification(rpc.DidOpenTextDocumentNotification.type,
                                { textDocument: { uri, languageId: 'kelvconv', version: 1, text: '<item_data>\n' } });
    const found = (await published).diagnostics;
    assert.strictEqual(found[0].code, 'open-at-end');
    assert.match(found[0].message, /<item_data> .*開いたまま/);
    await stop();
  } finally {
    dispose();
  }
});
