'use strict';
// linter-lsp driven through vscode-languageserver-protocol, the layer VS Code's own
// client is built on: what it publishes must match the command-line linter's report
// on the same text, placed where an editor counts lines and characters.
//
// Usage: node test.js <linter-lsp> <linter> <script.bgt>

const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { pathToFileURL } = require('url');
const {
  createProtocolConnection,
  StreamMessageReader,
  StreamMessageWriter,
  InitializeRequest,
  InitializedNotification,
  DidOpenTextDocumentNotification,
  DidChangeTextDocumentNotification,
  DidSaveTextDocumentNotification,
  DidCloseTextDocumentNotification,
  PublishDiagnosticsNotification,
  ShutdownRequest,
  ExitNotification,
} = require('vscode-languageserver-protocol/node');

const WAIT_MS = 10000;      // for one answer or one publishDiagnostics
const OVERALL_MS = 120000;  // the whole run, whatever hangs

class Failure extends Error {}

function fail(message) {
  throw new Failure(message);
}

function check(condition, message) {
  if (!condition) fail(message);
}

const [serverPath, linterPath, scriptPath] = process.argv.slice(2);
if (!serverPath || !linterPath || !scriptPath) {
  process.stderr.write('usage: node test.js <linter-lsp> <linter> <script.bgt>\n');
  process.exit(2);
}

for (const [file, mode] of [[serverPath, fs.constants.X_OK], [linterPath, fs.constants.X_OK],
  [scriptPath, fs.constants.R_OK]]) {
  try {
    fs.accessSync(file, mode);
  } catch (e) {
    process.stderr.write(`node client: FAILED, ${e.message}\n`);
    process.exit(1);
  }
}

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'linter-lsp-node-'));

// ---------------------------------------------------------------------------------
// The reference: the command-line linter on the same text.

// Report warnings {line, message} from stdout and lexical warnings {line, message}
// from stderr, lines as the linter numbers them (1-based, line feeds only).
function lint(text) {
  const file = path.join(work, 'reference.bgt');
  fs.writeFileSync(file, text);
  const run = childProcess.spawnSync(linterPath, [file], { encoding: 'utf8', timeout: WAIT_MS });
  check(!run.error, `cannot run ${linterPath}: ${run.error}`);
  check(run.status === 0, `${linterPath} exited with ${run.status}: ${run.stderr}`);
  const report = [];
  let total = null;
  for (const line of run.stdout.split('\n')) {
    if (line === '' || line === 'No warnings.') continue;
    const count = /^(\d+) warning\(s\)$/.exec(line);
    if (count) {
      total = Number(count[1]);
      continue;
    }
    check(line.startsWith(file + ':'), `unexpected report line from the linter: ${line}`);
    const m = /^(\d+): warning: (.*)$/.exec(line.slice(file.length + 1));
    check(m, `unexpected report line from the linter: ${line}`);
    report.push({ line: Number(m[1]), message: m[2] });
  }
  check(total === null ? report.length === 0 : total === report.length,
    `the linter's count does not match its ${report.length} report lines`);
  const lexical = [];
  for (const line of run.stderr.split('\n')) {
    if (line === '') continue;
    const m = /^Warning \[line (\d+)\]: (.*)$/.exec(line);
    check(m, `unexpected line on the linter's standard error: ${line}`);
    lexical.push({ line: Number(m[1]), message: m[2] });
  }
  return { report, lexical };
}

const WORD = /[\p{Alphabetic}\p{N}_]/u;

function charBefore(text, i) {
  if (i === 0) return '';
  const low = text.charCodeAt(i - 1);
  return low >= 0xdc00 && low <= 0xdfff && i >= 2 ? text.slice(i - 2, i) : text[i - 1];
}

function charAt(text, i) {
  return i < text.length ? String.fromCodePoint(text.codePointAt(i)) : '';
}

// The name a warning is about: the 64-bit type word, else the first quoted name.
function subject(message) {
  const body = message.slice(message.indexOf('] ') + 2);
  const wide = /^use of (u?int64):/.exec(body);
  if (wide) return wide[1];
  const quoted = /'([^']*)'/.exec(body);
  return quoted ? quoted[1] : '';
}

// Expected diagnostics for `text` in the editor's terms: lines end at LF, CR LF or a
// lone CR; characters are UTF-16 code units or bytes.
function expected(text, reference, encoding) {
  const starts = [0];
  for (let i = text.indexOf('\n'); i !== -1; i = text.indexOf('\n', i + 1)) starts.push(i + 1);
  const linterLine = (n) => {
    const k = Math.min(Math.max(n, 1), starts.length) - 1;
    const begin = starts[k];
    let end = k + 1 < starts.length ? starts[k + 1] - 1 : text.length;
    if (end > begin && text[end - 1] === '\r') end -= 1;
    return [begin, end];
  };
  const editorStarts = [0];
  for (let i = 0; i < text.length; i++) {
    if (text[i] === '\r' && text[i + 1] === '\n') i++;
    if (text[i] === '\r' || text[i] === '\n') editorStarts.push(i + 1);
  }
  const position = (offset) => {
    let lo = 0;
    let hi = editorStarts.length - 1;
    while (lo < hi) {
      const mid = (lo + hi + 1) >> 1;
      if (editorStarts[mid] <= offset) lo = mid; else hi = mid - 1;
    }
    const line = lo;
    const before = text.slice(editorStarts[line], offset);
    const character = encoding === 'utf-8' ? Buffer.byteLength(before, 'utf8') : before.length;
    return { line, character };
  };
  const find = (begin, end, name) => {
    if (name === '') return -1;
    const line = text.slice(begin, end);
    // A destructor's "~Name" stands after anything; other names only after a non-word.
    const checkBefore = WORD.test(name[0]);
    for (let i = line.indexOf(name); i !== -1; i = line.indexOf(name, i + 1)) {
      if (checkBefore && WORD.test(charBefore(line, i))) continue;
      if (WORD.test(charAt(line, i + name.length))) continue;
      return begin + i;
    }
    return -1;
  };
  const diagnostic = (begin, end, severity, message) => ({
    range: { start: position(begin), end: position(end) },
    severity,
    source: 'bgt-linter',
    message,
  });
  const list = [];
  for (const w of reference.report) {
    const [begin, end] = linterLine(w.line);
    const name = subject(w.message);
    const at = find(begin, end, name);
    list.push(at === -1 ? diagnostic(begin, end, 2, w.message)
      : diagnostic(at, at + name.length, 2, w.message));
  }
  for (const w of reference.lexical) {
    const [begin, end] = linterLine(w.line);
    list.push(diagnostic(begin, end, 3, w.message));
  }
  return list;
}

function show(d) {
  const r = d.range;
  return `${r.start.line}:${r.start.character}-${r.end.line}:${r.end.character} ` +
    `severity ${d.severity} source ${JSON.stringify(d.source)} ${JSON.stringify(d.message)}`;
}

function compare(what, got, want) {
  const lines = [];
  const n = Math.max(got.length, want.length);
  for (let k = 0; k < n; k++) {
    const g = got[k] ? show(got[k]) : '(none)';
    const w = want[k] ? show(want[k]) : '(none)';
    if (g !== w) lines.push(`  #${k}: got  ${g}\n       want ${w}`);
  }
  // Nothing past these fields may differ either (extra or mistyped members).
  if (lines.length === 0) {
    for (let k = 0; k < n; k++) {
      const keys = Object.keys(got[k]).sort().join(',');
      if (keys !== 'message,range,severity,source') lines.push(`  #${k}: members ${keys}`);
    }
  }
  if (lines.length > 0) {
    fail(`${what}: ${got.length} diagnostics, ${want.length} expected; differences:\n` +
      lines.slice(0, 10).join('\n'));
  }
}

// ---------------------------------------------------------------------------------
// A session with the server.

class Session {
  constructor(label) {
    this.label = label;
    this.stderr = '';
    this.exited = new Promise((resolve) => {
      this.child = childProcess.spawn(serverPath, ['--stdio'], { stdio: ['pipe', 'pipe', 'pipe'] });
      this.child.on('exit', (code, signal) => resolve({ code, signal }));
      this.child.on('error', (e) => resolve({ code: null, signal: null, error: e }));
    });
    this.child.stderr.setEncoding('utf8');
    this.child.stderr.on('data', (s) => { this.stderr += s; });
    // A write after the server has gone is reported by the exit status instead.
    this.child.stdin.on('error', () => {});
    this.connection = createProtocolConnection(
      new StreamMessageReader(this.child.stdout), new StreamMessageWriter(this.child.stdin));
    this.published = [];
    this.waiting = null;
    this.connection.onNotification(PublishDiagnosticsNotification.type, (params) => {
      this.published.push(params);
      if (this.waiting) this.waiting();
    });
    this.connection.onError(() => {});
    this.connection.listen();
  }

  context() {
    return this.stderr ? `; the server wrote on standard error:\n${this.stderr}` : '';
  }

  async within(what, promise) {
    let timer;
    const timeout = new Promise((_, reject) => {
      timer = setTimeout(() => reject(new Failure(
        `${this.label}: no answer to ${what} within ${WAIT_MS / 1000} s${this.context()}`)), WAIT_MS);
    });
    try {
      return await Promise.race([promise, timeout]);
    } finally {
      clearTimeout(timer);
    }
  }

  // The next publishDiagnostics, which must be for `uri`.
  async nextPublish(what, uri) {
    if (this.published.length === 0) {
      await this.within(what, new Promise((resolve) => { this.waiting = resolve; }));
      this.waiting = null;
    }
    const params = this.published.shift();
    check(params.uri === uri, `${this.label}: after ${what}, diagnostics for ${params.uri}, not ${uri}`);
    return params;
  }

  async initialize(capabilities) {
    const result = await this.within('initialize', this.connection.sendRequest(InitializeRequest.type, {
      processId: process.pid,
      clientInfo: { name: 'linter-lsp node client test' },
      rootUri: pathToFileURL(work).href,
      capabilities,
      workspaceFolders: null,
    }));
    await this.connection.sendNotification(InitializedNotification.type, {});
    return result;
  }

  async open(uri, text, version) {
    await this.connection.sendNotification(DidOpenTextDocumentNotification.type, {
      textDocument: { uri, languageId: 'bgt', version, text },
    });
    return this.nextPublish(`didOpen of ${uri}`, uri);
  }

  async change(uri, text, version) {
    await this.connection.sendNotification(DidChangeTextDocumentNotification.type, {
      textDocument: { uri, version },
      contentChanges: [{ text }],
    });
    return this.nextPublish(`didChange of ${uri}`, uri);
  }

  async save(uri) {
    await this.connection.sendNotification(DidSaveTextDocumentNotification.type, {
      textDocument: { uri },
    });
    return this.nextPublish(`didSave of ${uri}`, uri);
  }

  async close(uri) {
    await this.connection.sendNotification(DidCloseTextDocumentNotification.type, {
      textDocument: { uri },
    });
    return this.nextPublish(`didClose of ${uri}`, uri);
  }

  // Shutdown, exit, and the status the server ends with.
  async finish() {
    const answer = await this.within('shutdown', this.connection.sendRequest(ShutdownRequest.type));
    check(answer === null, `${this.label}: shutdown answered ${JSON.stringify(answer)}, not null`);
    await this.connection.sendNotification(ExitNotification.type);
    const status = await this.within('exit (the process did not end)', this.exited);
    this.connection.dispose();
    check(status.code === 0,
      `${this.label}: the server ended with status ${status.code}` +
      `${status.signal ? ` (signal ${status.signal})` : ''} after shutdown and exit${this.context()}`);
    check(this.published.length === 0,
      `${this.label}: ${this.published.length} diagnostics published that no change asked for`);
    check(this.stderr === '', `${this.label}: the server wrote on standard error:\n${this.stderr}`);
  }

  kill() {
    if (this.child.exitCode === null && this.child.signalCode === null) this.child.kill('SIGKILL');
  }
}

// ---------------------------------------------------------------------------------
// The documents.

const script = fs.readFileSync(scriptPath, 'utf8');
const scriptUri = pathToFileURL(path.resolve(scriptPath)).href;
const inserted = '// a line put in at the top\n';

// Non-ASCII text before a reported name, and a name with non-ASCII letters: UTF-16
// and UTF-8 columns part there.
const unicodeUri = pathToFileURL(path.join(work, 'unicode.bgt')).href;
const unicodeText = 'string greeting = "gr\u00fc\u00dfe \u{1F600}"; int counter;\nint caf\u00e9 = 1;\n';

// A lone CR ends a line for an editor, though not for the linter; the CR of a CR LF
// is no part of the line before it.
const lineEndsUri = pathToFileURL(path.join(work, 'line-ends.bgt')).href;
const lineEndsText = 'int a;\rint b;\r\nint c;\n#include "x.bgt"\r\n';

// Names that also stand inside longer words on their line, and a destructor.
const wordsUri = pathToFileURL(path.join(work, 'words.bgt')).href;
const wordsText = [
  'class Foo {',
  '\t~Foo() { }',
  '\tvoid bar() { }',
  '}',
  'void reset(int level_up, int level) { }',
  'int64 big; uint64 ubig;',
  'void main() { reset(1, 2); Foo f; f.bar(); }',
  '',
].join('\n');

// Where a warning about `name` must start and end, in `list`.
function checkPlace(what, list, name, line, start, end) {
  const d = list.find((x) => subject(x.message) === name);
  check(d, `${what}: no diagnostic about '${name}'`);
  const r = d.range;
  check(r.start.line === line && r.start.character === start &&
        r.end.line === line && r.end.character === end,
  `${what}: '${name}' at ${show(d)}, expected ${line}:${start}-${line}:${end}`);
}

let checked = 0;

function checkPublished(what, params, text, encoding, version) {
  check(params.version === version, `${what}: version ${params.version}, expected ${version}`);
  const want = expected(text, lint(text), encoding);
  compare(what, params.diagnostics, want);
  checked += want.length;
  return params.diagnostics;
}

async function utf16Session() {
  const s = new Session('session 1 (UTF-16)');
  try {
    const init = await s.initialize({
      textDocument: { publishDiagnostics: { versionSupport: true } },
    });
    const want = {
      capabilities: {
        positionEncoding: 'utf-16',
        textDocumentSync: { openClose: true, change: 1, save: { includeText: false } },
      },
      serverInfo: { name: 'linter-lsp', version: '1.0.0' },
    };
    check(JSON.stringify(init) === JSON.stringify(want),
      `initialize answered ${JSON.stringify(init)}, expected ${JSON.stringify(want)}`);

    const opened = checkPublished('didOpen of the script', await s.open(scriptUri, script, 1),
      script, 'utf-16', 1);
    check(opened.length > 0, `the script ${scriptPath} gives no diagnostics to compare`);

    const edited = inserted + script;
    const changed = checkPublished('didChange of the script',
      await s.change(scriptUri, edited, 2), edited, 'utf-16', 2);
    // The same findings, each one line further down, as are lines named in messages.
    const moved = opened.map((d) => ({
      ...d,
      message: d.message.replace(/ at line (\d+)$/, (_, n) => ` at line ${Number(n) + 1}`),
      range: {
        start: { ...d.range.start, line: d.range.start.line + 1 },
        end: { ...d.range.end, line: d.range.end.line + 1 },
      },
    }));
    compare('didChange of the script against the first diagnostics moved down', changed, moved);

    checkPublished('didSave of the script', await s.save(scriptUri), edited, 'utf-16', 2);

    const closed = await s.close(scriptUri);
    check(Array.isArray(closed.diagnostics) && closed.diagnostics.length === 0,
      `didClose published ${JSON.stringify(closed.diagnostics)}, not an empty list`);

    const lineEnds = checkPublished('line ends', await s.open(lineEndsUri, lineEndsText, 7),
      lineEndsText, 'utf-16', 7);
    checkPlace('line ends', lineEnds, 'a', 0, 4, 5);
    checkPlace('line ends', lineEnds, 'b', 1, 4, 5);
    checkPlace('line ends', lineEnds, 'c', 2, 4, 5);
    const include = lineEnds.find((d) => d.severity === 3);
    check(include && JSON.stringify(include.range) === JSON.stringify(
      { start: { line: 3, character: 0 }, end: { line: 3, character: 16 } }),
    `line ends: the #include line's diagnostic is ${include ? show(include) : 'missing'}, ` +
      'expected 3:0-3:16');

    const unicode = checkPublished('UTF-16 columns', await s.open(unicodeUri, unicodeText, 1),
      unicodeText, 'utf-16', 1);
    checkPlace('UTF-16 columns', unicode, 'counter', 0, 34, 41);
    checkPlace('UTF-16 columns', unicode, 'caf\u00e9', 1, 4, 8);

    const words = checkPublished('whole words', await s.open(wordsUri, wordsText, 3),
      wordsText, 'utf-16', 3);
    checkPlace('whole words', words, '~Foo', 1, 1, 5);
    checkPlace('whole words', words, 'level_up', 4, 15, 23);
    checkPlace('whole words', words, 'level', 4, 29, 34);
    checkPlace('whole words', words, 'int64', 5, 0, 5);
    checkPlace('whole words', words, 'uint64', 5, 11, 17);
    checkPlace('whole words', words, 'big', 5, 6, 9);
    checkPlace('whole words', words, 'ubig', 5, 18, 22);

    await s.finish();
  } finally {
    s.kill();
  }
}

async function utf8Session() {
  const s = new Session('session 2 (UTF-8)');
  try {
    const init = await s.initialize({ general: { positionEncodings: ['utf-8', 'utf-16'] } });
    check(init && init.capabilities && init.capabilities.positionEncoding === 'utf-8',
      `initialize with utf-8 offered answered ${JSON.stringify(init)}`);
    const unicode = checkPublished('UTF-8 columns', await s.open(unicodeUri, unicodeText, 5),
      unicodeText, 'utf-8', 5);
    checkPlace('UTF-8 columns', unicode, 'counter', 0, 38, 45);
    checkPlace('UTF-8 columns', unicode, 'caf\u00e9', 1, 4, 9);
    await s.finish();
  } finally {
    s.kill();
  }
}

async function main() {
  const watchdog = setTimeout(() => {
    process.stderr.write(`node client: FAILED, the run took more than ${OVERALL_MS / 1000} s\n`);
    process.exit(1);
  }, OVERALL_MS);
  try {
    await utf16Session();
    await utf8Session();
    process.stdout.write(`node client: ok, ${checked} diagnostics matched the linter ` +
      'in 2 sessions (UTF-16, UTF-8)\n');
    return 0;
  } catch (e) {
    process.stderr.write(`node client: FAILED, ${e instanceof Failure ? e.message : e.stack}\n`);
    return 1;
  } finally {
    clearTimeout(watchdog);
    fs.rmSync(work, { recursive: true, force: true });
  }
}

main().then((status) => process.exit(status));
