#include "driver.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "lexer/lexer.h"
#include "passes/analyze.h"
#include "platform.h"
#include "utf8.h"

namespace linter {

FileContents read_file(const std::string& path) {
  FileContents result;
  errno = 0;
  std::FILE* f = open_for_reading(path);
  if (!f) {
    result.reason = std::strerror(errno);
    return result;
  }
  auto fail = [&](int error) {
    result.reason = std::strerror(error);
    result.text = SourceText();
    std::fclose(f);
    return std::move(result);
  };
  std::error_code ec;
  const auto size = std::filesystem::file_size(native_path(path), ec);
  if (!ec && size > kMaxScriptSize) return fail(EFBIG);
  // Room for the file's size plus one byte, so that the read that meets the end needs
  // no further growth; a file whose size is not known grows it by doubling.
  std::size_t capacity = ec ? std::size_t{1} << 20 : static_cast<std::size_t>(size) + 1;
  std::size_t have = 0;
  for (;;) {
    result.text.reserve(capacity);  // keeps the `have` bytes read so far
    errno = 0;
    have += std::fread(result.text.data() + have, 1, capacity - have, f);
    result.text.resize(have);
    if (have < capacity) break;
    if (have > kMaxScriptSize) return fail(EFBIG);
    // One byte past the largest script tells that there is more.
    capacity = std::min(capacity * 2, kMaxScriptSize + 1);
  }
  if (std::ferror(f)) return fail(errno ? errno : EIO);
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

void report(std::string_view file_arg, const WarningList& warnings, Output& out) {
  if (warnings.empty()) {
    out << "No warnings.\n";
    return;
  }
  for (const Warning& w : warnings) {
    out << file_arg << ':' << static_cast<unsigned long long>(w.line) << ": warning: "
        << warnings.message(w) << '\n';
  }
  out << '\n' << static_cast<unsigned long long>(warnings.size()) << " warning(s)\n";
}

}  // namespace

int lint_text(std::string_view file_arg, std::string_view text, bool debug, Output& out,
              Output& err) {
  return lint_text(file_arg, SourceText(text), debug, out, err);
}

int lint_text(std::string_view file_arg, SourceText text, bool debug, Output& out,
              Output& err) {
  if (text.size() > kMaxScriptSize) {
    err << "Error reading '" << file_arg << "': " << std::strerror(EFBIG) << '\n';
    return 1;
  }
  if (!is_valid_utf8(text.view())) {
    err << "Error reading '" << file_arg << "': stream did not contain valid UTF-8\n";
    return 1;
  }
  TokenList tokens = tokenize(std::move(text), [&err](std::uint64_t line, std::string_view problem) {
    err << "Warning [line " << static_cast<unsigned long long>(line) << "]: " << problem << '\n';
  });
  if (debug) keyword_dump(tokens, err);
  tokens.release_source();
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
  const bool debug = args.size() > 2 && args[2] == "--debug";
  FileContents file = read_file(file_arg);
  if (!file.ok) {
    err << "Error reading '" << file_arg << "': " << file.reason << '\n';
    return 1;
  }
  return lint_text(file_arg, std::move(file.text), debug, out, err);
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
