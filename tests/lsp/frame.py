#!/usr/bin/env python3
"""Writes the bytes a transcript sends to the server.

Usage: frame.py MESSAGES INPUT

MESSAGES holds one message a line: a JSON value, framed with its Content-Length
header as a client frames it; or, after "raw: ", bytes sent as they are, with
Python escapes (\\r, \\n, \\x00). Empty lines and lines starting with # are
skipped.
"""
import json
import sys


def main():
    src, dst = sys.argv[1], sys.argv[2]
    out = bytearray()
    with open(src, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            if line.startswith("raw: "):
                out += line[5:].encode("utf-8").decode("unicode_escape").encode("latin-1")
                continue
            body = json.dumps(json.loads(line), ensure_ascii=False,
                              separators=(",", ":")).encode("utf-8")
            out += b"Content-Length: %d\r\n\r\n" % len(body) + body
    with open(dst, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
