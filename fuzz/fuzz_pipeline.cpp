// The whole program in memory on arbitrary bytes, without and with --debug. Besides
// the sanitizers, it traps on any output that breaks the report's shape or differs
// between the two modes in more than the hashed names.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "checks.h"
#include "driver.h"

namespace {

// Spaces and a colon: report lines must echo the file argument unchanged.
constexpr std::string_view kFile = "dir/my file:1.bgt";

struct Run {
  int status;
  std::string out;
  std::string err;
};

Run lint(std::string_view text, bool debug) {
  linter::Output out;
  linter::Output err;
  int status = linter::lint_text(kFile, std::string(text), debug, out, err);
  return {status, out.text(), err.text()};
}

// Adds one to the decimal number that starts at `at`; returns the position after it.
std::size_t bump_number(std::string& s, std::size_t at) {
  std::size_t end = at;
  while (end < s.size() && s[end] >= '0' && s[end] <= '9') ++end;
  std::uint64_t n = std::stoull(s.substr(at, end - at));
  std::string next = std::to_string(n + 1);
  s.replace(at, end - at, next);
  return at + next.size();
}

// The plain report with every warning line, and every "declared at line N", one higher.
std::string shift_report(const std::string& out) {
  if (out == "No warnings.\n") return out;
  std::string r;
  std::size_t start = 0;
  for (;;) {
    std::size_t nl = out.find('\n', start);
    std::string line = out.substr(start, nl - start);
    start = nl + 1;
    if (line.empty()) {
      r += "\n" + out.substr(start);
      return r;
    }
    std::size_t after = bump_number(line, kFile.size() + 1);
    const std::string at = " declared at line ";
    std::size_t d = line.rfind(at);
    if (d != std::string::npos && d > after && line.size() > d + at.size() &&
        line.find_first_not_of("0123456789", d + at.size()) == std::string::npos)
      bump_number(line, d + at.size());
    r += line + "\n";
  }
}

std::string shift_lexical(const std::string& err) {
  std::string r;
  std::size_t start = 0;
  while (start < err.size()) {
    std::size_t nl = err.find('\n', start);
    std::string line = err.substr(start, nl - start);
    start = nl + 1;
    bump_number(line, sizeof("Warning [line ") - 1);
    r += line + "\n";
  }
  return r;
}

void check_valid_text(std::string_view text) {
  using namespace fuzzcheck;
  Run plain = lint(text, false);
  Run debug = lint(text, true);
  require(plain.status == 0, "status not 0 for valid UTF-8");
  require(debug.status == 0, "status not 0 for valid UTF-8 with --debug");

  const std::uint64_t max_line = line_count(text);
  Report p = parse_report(plain.out, kFile, max_line);
  Report d = parse_report(debug.out, kFile, max_line);
  require(p.lines == d.lines, "warning lines differ between plain and debug");
  std::vector<std::string_view> script_lines = split_lines(text);
  for (std::size_t k = 0; k < p.messages.size(); ++k) {
    check_debug_message(p.messages[k], d.messages[k]);
    check_name_on_line(p.messages[k], p.lines[k], script_lines);
  }

  check_lexical(plain.err, max_line);
  require(debug.err.compare(0, plain.err.size(), plain.err) == 0,
          "lexical warnings differ between plain and debug");
  check_debug_dumps(std::string_view(debug.err).substr(plain.err.size()));

  // A line feed in front moves every finding down one line and changes nothing else.
  Run shifted = lint("\n" + std::string(text), false);
  require(shifted.status == 0, "status not 0 after a leading line feed");
  require(shifted.out == shift_report(plain.out), "report changed by a leading line feed");
  require(shifted.err == shift_lexical(plain.err),
          "lexical warnings changed by a leading line feed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace fuzzcheck;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (valid_utf8(text)) {
    check_valid_text(text);
    return 0;
  }
  const std::string expected =
      "Error reading '" + std::string(kFile) + "': stream did not contain valid UTF-8\n";
  for (bool debug : {false, true}) {
    Run r = lint(text, debug);
    require(r.status == 1, "invalid UTF-8 not rejected with status 1");
    require(r.out.empty(), "output for invalid UTF-8");
    require(r.err == expected, "wrong message for invalid UTF-8");
  }
  // Random mutations break UTF-8 often: go on with the broken bytes replaced.
  std::string repaired = repair_utf8(text);
  require(valid_utf8(repaired), "repair left invalid UTF-8");
  check_valid_text(repaired);
  return 0;
}
