#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "lexer/source.h"
#include "output.h"

namespace linter {

// Whether a text is known to be valid UTF-8: reading a large file checks it on the way.
enum class Utf8Check { Unchecked, Valid, Invalid };

struct FileContents {
  bool ok = false;
  SourceText text;
  std::string reason;  // the system's description of the failure
  Utf8Check utf8 = Utf8Check::Unchecked;  // of text, when ok
};

FileContents read_file(const std::string& path);

// The whole program: args[0] is the program name. Returns the exit status.
int run(const std::vector<std::string>& args, Output& out, Output& err);

// Everything after reading the file: validation, lexing, analysis, dumps and report.
int lint_text(std::string_view file_arg, SourceText text, bool debug, Output& out,
              Output& err, Utf8Check utf8 = Utf8Check::Unchecked);
int lint_text(std::string_view file_arg, std::string_view text, bool debug, Output& out,
              Output& err);

// What a run that ran out of memory reports, after whatever it had already written to
// err; returns the exit status.
int out_of_memory(const std::vector<std::string>& args, Output& err);

// Flushes both streams; a report that could not be written is a failure, not a success.
int finish(int status, Output& out, Output& err);

}  // namespace linter
