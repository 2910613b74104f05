#!/usr/bin/env python3
"""Times the language server on an edit: from sending a didChange with the whole text
of a script to having received its publishDiagnostics whole (before decoding it).

Usage: lsp.py LINTER-LSP SCRIPT [EDITS]
Prints the best, median and worst of EDITS edits (default 30), in milliseconds.
"""
import json
import subprocess
import sys
import time


def send(proc, message):
    body = json.dumps(message).encode("utf-8")
    proc.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
    proc.stdin.flush()


def receive(proc, stamp=None):
    length = None
    while True:
        line = proc.stdout.readline()
        if not line:
            raise SystemExit("lsp.py: the server stopped")
        line = line.strip()
        if not line:
            break
        name, _, value = line.partition(b":")
        if name.lower() == b"content-length":
            length = int(value)
    body = proc.stdout.read(length)
    if stamp is not None:
        stamp.append(time.perf_counter())
    return json.loads(body)


def wait_for_diagnostics(proc, version, stamp=None):
    while True:
        message = receive(proc, stamp)
        if (message.get("method") == "textDocument/publishDiagnostics"
                and message["params"].get("version") == version):
            return message["params"]["diagnostics"]


def main():
    server, script = sys.argv[1], sys.argv[2]
    edits = int(sys.argv[3]) if len(sys.argv) > 3 else 30
    text = open(script, encoding="utf-8").read()
    proc = subprocess.Popen([server], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    uri = "file:///bench.bgt"
    send(proc, {"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {"capabilities": {}}})
    receive(proc)
    send(proc, {"jsonrpc": "2.0", "method": "initialized", "params": {}})
    send(proc, {"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {
        "textDocument": {"uri": uri, "languageId": "bgt", "version": 1, "text": text}}})
    count = len(wait_for_diagnostics(proc, 1))
    times = []
    for version in range(2, edits + 2):
        edited = "int edit%d;\n" % version + text  # one more warning, every line moved
        message = {"jsonrpc": "2.0", "method": "textDocument/didChange", "params": {
            "textDocument": {"uri": uri, "version": version},
            "contentChanges": [{"text": edited}]}}
        body = json.dumps(message).encode("utf-8")
        stamps = []
        start = time.perf_counter()
        proc.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        proc.stdin.flush()
        wait_for_diagnostics(proc, version, stamps)
        times.append((stamps[-1] - start) * 1000)
    send(proc, {"jsonrpc": "2.0", "id": 2, "method": "shutdown"})
    receive(proc)
    send(proc, {"jsonrpc": "2.0", "method": "exit"})
    proc.wait(timeout=10)
    times.sort()
    print("lsp: %d KB document, %d diagnostics: edit to publishDiagnostics in %.1f ms best, "
          "%.1f median, %.1f worst of %d" % (len(text.encode()) // 1024, count, times[0],
                                            times[len(times) // 2], times[-1], len(times)))


if __name__ == "__main__":
    main()
