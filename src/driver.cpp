#include "driver.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <thread>

#include "lexer/lexer.h"
#include "passes/analyze.h"
#include "pages.h"
#include "platform.h"
#include "side_by_side.h"
#include "utf8.h"

namespace linter {

namespace {

// Reads a file of `size` bytes into data with two handles, the second half on another
// thread: where fresh pages are slow to come by (a virtual machine handing them out one
// by one) the two halves get theirs at once. Each thread checks its bytes' UTF-8 piece
// by piece as they come in, while they are still in its cache. Returns size with f
// positioned there and utf8 set, or 0 with f back at the start when anything came
// short: the file changed, or no second handle was to be had.
std::size_t read_in_halves(const std::string& path, std::FILE* f, char* data,
                           std::size_t size, Utf8Check& utf8) {
  constexpr std::size_t kPiece = std::size_t{256} << 10;
  const std::size_t half = size / 2;
  // Reads data[from, to) from g a piece at a time, handing each to check; returns
  // whether every byte came.
  auto read_checked = [&](std::FILE* g, std::size_t from, std::size_t to, auto&& check) {
    for (std::size_t at = from; at < to;) {
      const std::size_t want = std::min(kPiece, to - at);
      const std::size_t got = std::fread(data + at, 1, want, g);
      at += got;
      check(at);
      if (got < want) return false;
    }
    return !std::ferror(g);
  };
  const std::string_view text(data, size);
  bool second_ok = false;
  bool first_ok = false;
  // The second half's characters are checked from the first that starts in it; the
  // first half's, up to there.
  std::size_t cut = std::string_view::npos;
  bool rest_valid = false;
  Utf8Stream first_utf8(data);
  side_by_side(
      [&] {
        std::FILE* g = open_for_reading(path);
        if (!g) return;
        if (seek_to(g, half)) {
          std::optional<Utf8Stream> rest;
          second_ok = read_checked(g, half, size, [&](std::size_t end) {
            if (!rest && end >= std::min(half + 4, size)) {
              cut = character_start(text.substr(0, end), half);
              if (cut != std::string_view::npos) rest.emplace(data, cut);
            }
            if (rest) rest->take(end);
          });
          rest_valid = rest && rest->finish(size);
        }
        std::fclose(g);
      },
      [&] { first_ok = read_checked(f, 0, half, [&](std::size_t end) { first_utf8.take(end); }); });
  if (first_ok && second_ok && seek_to(f, size)) {
    utf8 = cut != std::string_view::npos && rest_valid && first_utf8.finish(cut)
               ? Utf8Check::Valid
               : Utf8Check::Invalid;
    return size;
  }
  std::clearerr(f);
  return seek_to(f, 0) ? 0 : std::size_t(-1);
}

}  // namespace

FileContents read_file(const std::string& path) {
  FileContents result;
  errno = 0;
  std::FILE* f = open_for_reading(path);
  if (!f) {
    result.reason = std::strerror(errno);
    return result;
  }
  std::error_code ec;
  auto size = std::filesystem::file_size(native_path(path), ec);
  if (!ec && size > kMaxScriptSize) {
    result.reason = std::strerror(EFBIG);
    std::fclose(f);
    return result;
  }
  // Room for the file's size plus one byte, so that the read that meets the end needs
  // no further growth; files whose size is not known grow it by doubling.
  std::size_t capacity = ec ? std::size_t{1} << 20 : static_cast<std::size_t>(size) + 1;
  std::size_t have = 0;
  std::size_t checked = 0;  // bytes whose UTF-8 the halves' reads checked
  constexpr std::size_t kHalvesFrom = std::size_t{4} << 20;
  if (!ec && capacity > kHalvesFrom) {
    result.text.reserve(capacity);
    have = read_in_halves(path, f, result.text.data(), capacity - 1, result.utf8);
    checked = have;
    if (have == std::size_t(-1)) {
      // Neither read position can be trusted: report it as the read error it is.
      result.reason = std::strerror(EIO);
      result.text = SourceText();
      std::fclose(f);
      return result;
    }
  }
  for (;;) {
    result.text.reserve(capacity);
    errno = 0;
    have += std::fread(result.text.data() + have, 1, capacity - have, f);
    if (have < capacity) break;
    if (have > kMaxScriptSize) {
      result.reason = std::strerror(EFBIG);
      result.text = SourceText();
      std::fclose(f);
      return result;
    }
    // One byte past the largest script tells that there is more.
    capacity = std::min(capacity * 2, kMaxScriptSize + 1);
  }
  if (std::ferror(f)) {
    int error = errno;
    result.reason = std::strerror(error ? error : EIO);
    result.text = SourceText();
    std::fclose(f);
    return result;
  }
  // Bytes that came after those (a file still growing) were not checked.
  if (have != checked) result.utf8 = Utf8Check::Unchecked;
  result.text.resize(have);
  std::fclose(f);
  result.ok = true;
  return result;
}

namespace {

void keyword_dump(const TokenList& tokens, Output& err) {
  std::size_t total = 0;
  for (std::size_t i = 0; i < tokens.size(); ++i) total += tokens.kind(i) == TokenKind::Keyword;
  if (total == 0) return;
  err << "=== GENERIC KEYWORDS (" << static_cast<unsigned long long>(total)
      << " total, showing first 20) ===\n";
  std::size_t shown = 0;
  for (std::size_t i = 0; i < tokens.size() && shown < 20; ++i) {
    if (tokens.kind(i) != TokenKind::Keyword) continue;
    ++shown;
    err << pad4(i) << ": line " << pad4(tokens.line(i)) << "  " << tokens.render(i) << '\n';
  }
  if (total > 20) err << "  ... and " << static_cast<unsigned long long>(total - 20) << " more\n";
  err << "=== END ===\n\n";
}

void trace_dump(const std::vector<std::string>& trace, Output& err) {
  err << "=== SCOPE TRACE ===\n";
  for (const std::string& line : trace) err << line << '\n';
  err << "=== END SCOPE TRACE ===\n\n";
}

// Formats the warnings [from, to) onto text.
void format_warnings(std::string_view file_arg, const WarningList& warnings, std::size_t from,
                     std::size_t to, PageArray<char>& text) {
  constexpr std::string_view kAfterLine = ": warning: ";
  constexpr std::size_t kLongestLine = 20;
  for (std::size_t k = from; k < to; ++k) {
    const Warning& w = warnings[k];
    const std::string_view message = warnings.message(w);
    const std::size_t before = text.size();
    char* p = text.extend(file_arg.size() + 1 + kLongestLine + kAfterLine.size() +
                          message.size() + 1);
    auto put = [&p](std::string_view s) {
      if (!s.empty()) std::memcpy(p, s.data(), s.size());
      p += s.size();
    };
    put(file_arg);
    *p++ = ':';
    p = std::to_chars(p, p + kLongestLine, static_cast<unsigned long long>(w.line)).ptr;
    put(kAfterLine);
    put(message);
    *p++ = '\n';
    text.set_size(before + std::size_t(p - (text.data() + before)));
  }
}

// The warnings go out in stretches, each formatted into a reused buffer and written
// whole. A long report is formatted on two threads taking turns: each formats its
// next stretch while the other writes, and writes when its stretch is next.
void write_warnings(std::string_view file_arg, const WarningList& warnings, Output& out) {
  constexpr std::size_t kStretch = 2048;
  const std::size_t stretches = (warnings.size() + kStretch - 1) / kStretch;
  std::atomic<std::size_t> turn{0};
  // Set by a thread that fails, so that the other stops waiting for its turns.
  std::atomic<bool> abandoned{false};
  auto take_turns = [&](std::size_t first, std::size_t step) {
    try {
      // Page-backed: a fresh small page costs more here than filling it. A short report
      // needs no more than a few pages.
      PageArray<char> text;
      text.reserve(std::min(std::size_t{1} << 20, 256 * warnings.size()));
      for (std::size_t s = first; s < stretches; s += step) {
        text.set_size(0);
        format_warnings(file_arg, warnings, s * kStretch,
                        std::min(warnings.size(), (s + 1) * kStretch), text);
        while (turn.load(std::memory_order_acquire) != s) {
          if (abandoned.load(std::memory_order_acquire)) return;
          std::this_thread::yield();
        }
        out.write_block(std::string_view(text.data(), text.size()));
        turn.store(s + 1, std::memory_order_release);
      }
    } catch (...) {
      abandoned.store(true, std::memory_order_release);
      throw;
    }
  };
  // Below this a second thread costs more than it saves.
  constexpr std::size_t kSideBySideFrom = std::size_t{1} << 16;
  if (!out.has_file() || warnings.size() < kSideBySideFrom || usable_processors() < 2) {
    take_turns(0, 1);
    return;
  }
  std::exception_ptr failed;
  side_by_side(
      [&] {
        try {
          take_turns(1, 2);
        } catch (...) {
          failed = std::current_exception();
        }
      },
      [&] { take_turns(0, 2); });
  if (failed) std::rethrow_exception(failed);
}

void report(std::string_view file_arg, const WarningList& warnings, Output& out) {
  if (warnings.empty()) {
    out << "No warnings.\n";
    return;
  }
  write_warnings(file_arg, warnings, out);
  out << '\n' << static_cast<unsigned long long>(warnings.size()) << " warning(s)\n";
}

}  // namespace

int lint_text(std::string_view file_arg, std::string_view text, bool debug, Output& out,
              Output& err) {
  return lint_text(file_arg, SourceText(text), debug, out, err);
}

int lint_text(std::string_view file_arg, SourceText text, bool debug, Output& out,
              Output& err, Utf8Check utf8) {
  if (text.size() > kMaxScriptSize) {
    err << "Error reading '" << file_arg << "': " << std::strerror(EFBIG) << '\n';
    return 1;
  }
  if (utf8 == Utf8Check::Unchecked)
    utf8 = is_valid_utf8(text.view()) ? Utf8Check::Valid : Utf8Check::Invalid;
  if (utf8 == Utf8Check::Invalid) {
    err << "Error reading '" << file_arg << "': stream did not contain valid UTF-8\n";
    return 1;
  }
  TokenList tokens = tokenize(std::move(text), err);
  // Only the debug dump reads literal values: otherwise the text can go.
  if (debug) {
    keyword_dump(tokens, err);
  } else {
    tokens.release_source();
  }
  AnalysisResult result;
  try {
    result = analyze(tokens, debug);
  } catch (const std::logic_error& e) {
    err << e.what() << '\n';
    return 1;
  }
  if (debug) {
    err << result.class_dump;
    trace_dump(result.scope_trace, err);
  }
  // Everything on standard error comes before the report, also when both streams
  // go to one file.
  err.flush();
  report(file_arg, result.warnings, out);
  return 0;
}

int run(const std::vector<std::string>& args, Output& out, Output& err) {
  if (args.size() < 2) {
    err << "Usage: linter <file> [--debug]\n";
    return 1;
  }
  const std::string& file_arg = args[1];
  bool debug = args.size() > 2 && args[2] == "--debug";
  FileContents file = read_file(file_arg);
  if (!file.ok) {
    err << "Error reading '" << file_arg << "': " << file.reason << '\n';
    return 1;
  }
  return lint_text(file_arg, std::move(file.text), debug, out, err, file.utf8);
}

int out_of_memory(const std::vector<std::string>& args, Output& err) {
  err << "Error: not enough memory to lint";
  if (args.size() > 1) err << " '" << args[1] << '\'';
  err << '\n';
  return 1;
}

int finish(int status, Output& out, Output& err) {
  bool err_ok = err.flush();
  if (!out.flush()) {
    err << "Error writing to standard output: " << std::strerror(out.error()) << '\n';
    err_ok = err.flush();
    status = 1;
  }
  return err_ok ? status : 1;
}

}  // namespace linter
