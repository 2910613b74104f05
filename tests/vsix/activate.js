// Activates an unpacked extension the way VS Code would, with a stand-in for the language
// client, and checks what it would start: the packaged server for the platform, for BGT
// documents on disk and untitled. The server is then started with that same command (the
// Windows one under Wine, when VSIX_WINE names it) and must answer an editor's session.
// Usage: node activate.js <unpacked extension folder> <linux|windows>
'use strict';
const assert = require('assert');
const { spawn } = require('child_process');
const fs = require('fs');
const Module = require('module');
const path = require('path');

const [root, platform] = process.argv.slice(2);
if (!root || !['linux', 'windows'].includes(platform)) {
  console.error('Usage: node activate.js <unpacked extension folder> <linux|windows>');
  process.exit(2);
}
const extension = path.resolve(root);
const manifest = JSON.parse(fs.readFileSync(path.join(extension, 'package.json'), 'utf8'));

// The real client must resolve from the package, though VS Code alone can load it.
require.resolve('vscode-languageclient/node', { paths: [extension] });

let started = null;
class StandInClient {
  constructor(id, name, serverOptions, clientOptions) {
    started = { id, name, serverOptions, clientOptions };
  }
  start() {
    return Promise.resolve();
  }
  stop() {
    return Promise.resolve();
  }
}
const load = Module._load;
Module._load = function (request, ...rest) {
  if (request === 'vscode-languageclient/node') return { LanguageClient: StandInClient };
  return load.call(this, request, ...rest);
};
const host = `${process.platform}-${process.arch}`;
Object.defineProperty(process, 'platform', { value: platform === 'windows' ? 'win32' : 'linux' });

const main = require(path.resolve(extension, manifest.main));
const context = { subscriptions: [], asAbsolutePath: (p) => path.join(extension, p) };

async function run() {
  await main.activate(context);
  assert.ok(started, 'activate() made no language client');
  assert.deepStrictEqual(started.clientOptions.documentSelector, [
    { scheme: 'file', language: 'bgt' },
    { scheme: 'untitled', language: 'bgt' },
  ]);
  const binary = platform === 'windows' ? 'linter-lsp.exe' : 'linter-lsp';
  const command = started.serverOptions.command;
  assert.strictEqual(command, path.join(extension, 'server', binary));
  assert.ok(fs.statSync(command).isFile(), `${command} is not in the package`);
  await main.deactivate();

  console.log(`activate: ${platform}: starts server/${binary} for BGT files and untitled BGT`);
  const args = started.serverOptions.args || [];
  if (platform === 'linux' && host === 'linux-x64') {
    await exchange(command, args);
  } else if (platform === 'windows' && process.env.VSIX_WINE) {
    await exchange(process.env.VSIX_WINE, [command, ...args]);
  } else {
    console.log(`activate: the ${platform} server is not started on ${host}`);
    return;
  }
  console.log(`activate: the ${platform} server answered with the warning on line 3`);
}

function frame(message) {
  const body = Buffer.from(JSON.stringify({ jsonrpc: '2.0', ...message }), 'utf8');
  return Buffer.concat([Buffer.from(`Content-Length: ${body.length}\r\n\r\n`, 'ascii'), body]);
}

// An editor's session, one message at a time with the pipe left open, as an editor
// keeps it: each answer must come while the server still waits for more.
async function exchange(command, args) {
  const server = spawn(command, args, { stdio: ['pipe', 'pipe', 'inherit'] });
  const messages = [];
  let wake = () => {};
  let pending = Buffer.alloc(0);
  server.stdout.on('data', (chunk) => {
    pending = Buffer.concat([pending, chunk]);
    for (;;) {
      const end = pending.indexOf('\r\n\r\n');
      if (end < 0) break;
      const length = Number(/Content-Length: (\d+)/i.exec(pending.subarray(0, end))[1]);
      if (pending.length < end + 4 + length) break;
      messages.push(JSON.parse(pending.subarray(end + 4, end + 4 + length).toString('utf8')));
      pending = pending.subarray(end + 4 + length);
    }
    wake();
  });
  const exited = new Promise((resolve, reject) => {
    server.on('error', reject);
    server.on('exit', (code, signal) => resolve(signal || code));
  });
  const send = (message) => server.stdin.write(frame(message));
  const receive = (what, test) =>
    new Promise((resolve, reject) => {
      const timer = setTimeout(() => {
        reject(new Error(`no ${what} within 10 s, the server's input still open`));
      }, 10000);
      wake = () => {
        const found = messages.find(test);
        if (found) {
          clearTimeout(timer);
          resolve(found);
        }
      };
      wake();
    });

  try {
    send({ id: 1, method: 'initialize', params: { processId: null, rootUri: null, capabilities: {} } });
    const init = await receive('answer to initialize', (m) => m.id === 1);
    assert.ok(init.result, `initialize failed: ${JSON.stringify(init.error)}`);
    assert.strictEqual(init.result.serverInfo.version, manifest.version);
    send({ method: 'initialized', params: {} });
    const uri = 'file:///tmp/check.bgt';
    const text = 'void main()\n{\n  int lives = 3;\n}\n';
    send({
      method: 'textDocument/didOpen',
      params: { textDocument: { uri, languageId: 'bgt', version: 1, text } },
    });
    const published = await receive(
      'diagnostics',
      (m) => m.method === 'textDocument/publishDiagnostics' && m.params.uri === uri,
    );
    const list = published.params.diagnostics;
    assert.strictEqual(list.length, 1, JSON.stringify(list));
    assert.strictEqual(list[0].source, 'bgt-linter');
    assert.strictEqual(list[0].severity, 2);
    assert.strictEqual(list[0].range.start.line, 2);
    assert.match(list[0].message, /Unused variable 'lives'/);
    send({ id: 2, method: 'shutdown' });
    const shutdown = await receive('answer to shutdown', (m) => m.id === 2);
    assert.ok('result' in shutdown, 'shutdown failed');
    send({ method: 'exit' });
    const status = await Promise.race([
      exited,
      new Promise((resolve) => setTimeout(() => resolve('still running 5 s after exit'), 5000).unref()),
    ]);
    assert.strictEqual(status, 0, `the server ended with ${status}`);
  } finally {
    server.kill();
  }
}

run().catch((error) => {
  console.error(`activate: ${error.message}`);
  process.exit(1);
});
