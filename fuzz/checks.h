// Checks shared by the fuzz targets. Every failed check traps, so libFuzzer records the
// input as a crash; `why` is printed first to tell the checks apart.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace fuzzcheck {

[[noreturn]] inline void fail(const char* why) {
  std::fprintf(stderr, "fuzz check failed: %s\n", why);
  std::fflush(stderr);
  __builtin_trap();
}

inline void require(bool ok, const char* why) {
  if (!ok) fail(why);
}

inline std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t nl = text.find('\n', start);
    if (nl == std::string_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  return lines;
}

// Independent of the program's own validator: strict UTF-8 as the standard defines it.
inline bool valid_utf8(std::string_view s) {
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    std::size_t len;
    std::uint32_t cp;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      len = 2;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3;
      cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4;
      cp = b & 0x07;
    } else {
      return false;
    }
    if (n - i < len) return false;
    for (std::size_t k = 1; k < len; ++k) {
      unsigned char c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = cp << 6 | (c & 0x3F);
    }
    if (len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) return false;
    if (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) return false;
    i += len;
  }
  return true;
}

// Each byte that does not start a valid sequence becomes U+FFFD.
inline std::string repair_utf8(std::string_view s) {
  std::string r;
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t len = 1;
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (b >= 0xC0) len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
    if (i + len <= s.size() && valid_utf8(s.substr(i, len))) {
      r.append(s.substr(i, len));
      i += len;
    } else {
      r.append("\xEF\xBF\xBD");
      ++i;
    }
  }
  return r;
}

inline std::string fnv1a_hex(std::string_view s) {
  std::uint32_t h = 0x811C9DC5u;
  for (unsigned char c : s) {
    h ^= c;
    h *= 0x01000193u;
  }
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08x", h);
  return buf;
}

inline bool parse_u64(std::string_view s, std::uint64_t& out) {
  if (s.empty() || s.size() > 20) return false;
  if (s.size() > 1 && s[0] == '0') return false;
  out = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    std::uint64_t next = out * 10 + std::uint64_t(c - '0');
    if (next / 10 != out) return false;
    out = next;
  }
  return true;
}

struct Report {
  std::vector<std::uint64_t> lines;
  std::vector<std::string_view> messages;
};

// Parses standard output; traps unless it is exactly "No warnings." or warning lines in
// line order, an empty line and a count that matches them.
inline Report parse_report(std::string_view out, std::string_view file_arg,
                           std::uint64_t max_line) {
  Report r;
  if (out == "No warnings.\n") return r;
  require(!out.empty() && out.back() == '\n', "report does not end with a line feed");
  std::vector<std::string_view> lines = split_lines(out);
  require(lines.size() >= 3, "report too short");
  std::string_view count = lines.back();
  require(lines[lines.size() - 2].empty(), "no empty line before the count");
  const std::string_view suffix = " warning(s)";
  require(count.size() > suffix.size() &&
              count.substr(count.size() - suffix.size()) == suffix,
          "count line malformed");
  std::uint64_t n = 0;
  require(parse_u64(count.substr(0, count.size() - suffix.size()), n), "count not decimal");
  require(n == lines.size() - 2, "count differs from the number of warning lines");
  require(n > 0, "zero count instead of No warnings.");
  std::uint64_t previous = 0;
  for (std::size_t k = 0; k + 2 < lines.size(); ++k) {
    std::string_view l = lines[k];
    require(l.substr(0, file_arg.size()) == file_arg && l.size() > file_arg.size() &&
                l[file_arg.size()] == ':',
            "warning line does not start with the file argument");
    l.remove_prefix(file_arg.size() + 1);
    std::size_t colon = l.find(':');
    require(colon != std::string_view::npos, "warning line without line number");
    std::uint64_t line = 0;
    require(parse_u64(l.substr(0, colon), line), "warning line number malformed");
    require(line >= 1 && line <= max_line, "warning line number outside the file");
    require(line >= previous, "warnings not sorted by line");
    previous = line;
    l.remove_prefix(colon);
    const std::string_view mid = ": warning: ";
    require(l.substr(0, mid.size()) == mid, "warning line lacks ': warning: '");
    l.remove_prefix(mid.size());
    require(!l.empty(), "empty warning message");
    r.lines.push_back(line);
    r.messages.push_back(l);
  }
  return r;
}

// The lexical warnings: six forms, in source order, on lines that exist.
inline void check_lexical(std::string_view err, std::uint64_t max_line) {
  if (err.empty()) return;
  require(err.back() == '\n', "lexical warnings do not end with a line feed");
  std::uint64_t previous = 0;
  for (std::string_view l : split_lines(err)) {
    const std::string_view head = "Warning [line ";
    require(l.substr(0, head.size()) == head, "stderr line is not a lexical warning");
    l.remove_prefix(head.size());
    std::size_t close = l.find("]: ");
    require(close != std::string_view::npos, "lexical warning malformed");
    std::uint64_t line = 0;
    require(parse_u64(l.substr(0, close), line), "lexical warning line malformed");
    require(line >= 1 && line <= max_line, "lexical warning line outside the file");
    require(line >= previous, "lexical warnings out of order");
    previous = line;
    std::string_view what = l.substr(close + 3);
    bool known = what == "unterminated string literal" ||
                 what == "unterminated block comment" || what == "malformed #include" ||
                 what == "unterminated #include path" ||
                 (what.substr(0, 19) == "unknown character '" && what.size() > 20 &&
                  what.back() == '\'') ||
                 (what.substr(0, 20) == "unknown directive '#" && what.back() == '\'');
    require(known, "unknown lexical warning form");
  }
}

// The debug-only part of stderr (after the lexical warnings): keyword dump, class dump,
// scope trace, each well framed, and scopes in step with frames at every push.
inline void check_debug_dumps(std::string_view rest) {
  std::vector<std::string_view> lines = split_lines(rest);
  std::size_t k = 0;
  if (k < lines.size() && lines[k].substr(0, 22) == "=== GENERIC KEYWORDS (") {
    std::string_view h = lines[k].substr(22);
    std::size_t sp = h.find(' ');
    require(sp != std::string_view::npos, "keyword dump header malformed");
    std::uint64_t total = 0;
    require(parse_u64(h.substr(0, sp), total), "keyword dump count malformed");
    require(h.substr(sp) == " total, showing first 20) ===", "keyword dump header text");
    require(total > 0, "keyword dump for no keywords");
    ++k;
    std::uint64_t shown = total < 20 ? total : 20;
    for (std::uint64_t s = 0; s < shown; ++s, ++k) {
      require(k < lines.size(), "keyword dump cut short");
      require(lines[k].find(": line ") != std::string_view::npos &&
                  lines[k].find("  Keyword(\"") != std::string_view::npos,
              "keyword dump line malformed");
    }
    if (total > 20) {
      require(k < lines.size() &&
                  lines[k] == "  ... and " + std::to_string(total - 20) + " more",
              "keyword dump '... and' line");
      ++k;
    }
    require(k + 1 < lines.size() && lines[k] == "=== END ===" && lines[k + 1].empty(),
            "keyword dump footer");
    k += 2;
  }
  require(k < lines.size() && lines[k] == "=== IMPLEMENTATIONS ===", "class dump header");
  ++k;
  while (k < lines.size() && lines[k].substr(0, 2) == "  " &&
         lines[k].find(" implements ") == 10)
    ++k;
  require(k < lines.size() && lines[k] == "=== INTERFACES ===", "class dump interfaces");
  ++k;
  while (k < lines.size() && lines[k] != "=== END ===") {
    require(lines[k].substr(0, 12) == "  interface " || lines[k].substr(0, 4) == "    ",
            "class dump line malformed");
    ++k;
  }
  require(k < lines.size(), "class dump footer");
  ++k;
  require(k < lines.size() && lines[k] == "=== SCOPE TRACE ===", "scope trace header");
  ++k;
  for (; k < lines.size() && lines[k] != "=== END SCOPE TRACE ==="; ++k) {
    std::string_view l = lines[k];
    require(l.substr(0, 5) == "line ", "trace line malformed");
    std::size_t s = l.find("  sync=");
    if (s != std::string_view::npos) {
      std::string_view counts = l.substr(s + 7);
      std::size_t slash = counts.find('/');
      require(slash != std::string_view::npos && counts.substr(0, slash) ==
                  counts.substr(slash + 1),
              "scopes and frames out of step");
    }
  }
  require(k + 2 == lines.size() && lines[k + 1].empty(),
          "scope trace footer missing or followed by more");
  require(rest.size() >= 2 && rest.substr(rest.size() - 2) == "\n\n",
          "scope trace does not end with an empty line");
}

// Splits a report message "[ctx] rest" into ctx, the texts between single quotes (slots)
// and the skeleton, the message with every slot replaced by "%".
struct Message {
  std::string_view ctx;
  std::vector<std::string_view> slots;
  std::string skeleton;
};

inline Message split_message(std::string_view m) {
  Message r;
  require(!m.empty() && m[0] == '[', "message does not start with '['");
  std::size_t close = m.find("] ");
  require(close != std::string_view::npos, "message without '] '");
  r.ctx = m.substr(1, close - 1);
  std::string_view rest = m.substr(close + 2);
  bool in_slot = false;
  std::size_t start = 0;
  for (std::size_t k = 0; k <= rest.size(); ++k) {
    if (k < rest.size() && rest[k] != '\'') continue;
    std::string_view piece = rest.substr(start, k - start);
    if (in_slot) {
      require(k < rest.size(), "unbalanced quotes in message");
      r.slots.push_back(piece);
      r.skeleton += "'%'";
    } else {
      r.skeleton += piece;
    }
    in_slot = !in_slot;
    start = k + 1;
  }
  return r;
}

inline bool is_decimal(std::string_view s) {
  std::uint64_t v;
  return parse_u64(s, v);
}

// The skeleton is one of the message forms of the analysis; returns whether its context
// name is shown hashed in debug mode.
inline bool check_skeleton(const Message& m) {
  static const char* const hashed_ctx[] = {
      "Unused variable '%'",
      "Variable '%' is written but never read",
      "Unused function '%'",
      "Parameter '%' is never read",
      "Member variable '%' is written but never read",
      "Unused member variable: '%'",
      "Unused member function: '%'",
  };
  static const char* const plain_ctx[] = {
      "'%' shadows member of '%'",
      "Parameter '%' shadows member of '%'",
      "Parameter '%' shadows outer declaration",
      "use of int64: 64-bit integers are broken in BGT; a wrapper class is required",
      "use of uint64: 64-bit integers are broken in BGT; a wrapper class is required",
  };
  for (const char* s : hashed_ctx)
    if (m.skeleton == s) return true;
  for (const char* s : plain_ctx)
    if (m.skeleton == s) return false;
  const std::string_view sk = m.skeleton;
  const std::string_view head = "'%' shadows ";
  const std::string_view at = " declared at line ";
  if (sk.substr(0, head.size()) == head) {
    std::string_view rest = sk.substr(head.size());
    for (std::string_view kind : {"variable", "function", "parameter", "class"}) {
      if (rest.substr(0, kind.size()) == kind && rest.substr(kind.size(), at.size()) == at &&
          is_decimal(rest.substr(kind.size() + at.size())))
        return false;
    }
  }
  fail("unknown warning message form");
}

// The same finding in debug form: same skeleton, every quoted name hashed, the context
// hashed except in shadowing and 64-bit messages.
inline void check_debug_message(std::string_view plain, std::string_view debug) {
  Message p = split_message(plain);
  Message d = split_message(debug);
  bool ctx_hashed = check_skeleton(p);
  require(p.skeleton == d.skeleton, "debug message differs in more than the names");
  require(p.slots.size() == d.slots.size(), "debug message slot count");
  for (std::size_t k = 0; k < p.slots.size(); ++k)
    require(d.slots[k] == fnv1a_hex(p.slots[k]), "debug message name is not its hash");
  if (ctx_hashed)
    require(d.ctx == fnv1a_hex(p.ctx), "debug context is not the hash of the plain one");
  else
    require(d.ctx == p.ctx, "debug context changed where it must stay plain");
}

// The name a plain message is about stands on the warning's line of the script.
inline void check_name_on_line(std::string_view message, std::uint64_t line,
                               const std::vector<std::string_view>& script_lines) {
  Message m = split_message(message);
  std::string_view name;
  if (!m.slots.empty()) {
    name = m.slots[0];
    if (!name.empty() && name[0] == '~') name.remove_prefix(1);
  } else {
    std::string_view sk = m.skeleton;
    name = sk.substr(7, sk.find(':') - 7);  // "use of <type>:"
  }
  require(!name.empty(), "empty name in message");
  // A shadowed declaration comes earlier in the file.
  const std::string_view at = " declared at line ";
  std::size_t d = message.rfind(at);
  if (d != std::string_view::npos) {
    std::uint64_t earlier = 0;
    require(parse_u64(message.substr(d + at.size()), earlier) && earlier >= 1 &&
                earlier <= line,
            "shadowed declaration not above the shadowing one");
  }
  require(line - 1 < script_lines.size() &&
              script_lines[line - 1].find(name) != std::string_view::npos,
          "the name of a warning is not on its line");
}

inline std::uint64_t line_count(std::string_view text) {
  std::uint64_t n = 1;
  for (char c : text) n += c == '\n';
  return n;
}

}  // namespace fuzzcheck
