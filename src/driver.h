#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "lexer/source.h"
#include "output.h"

namespace linter {

struct FileContents {
  bool ok = false;
  SourceText text;
  std::string reason;  // the system's description of the failure
};

FileContents read_file(const std::string& path);

// The whole program: args[0] is the program name. Returns the exit status.
int run(const std::vector<std::string>& args, Output& out, Output& err);

// Everything after reading the file: validation, lexing, analysis, dumps and report.
int lint_text(std::string_view file_arg, SourceText text, bool debug, Output& out, Output& err);
int lint_text(std::string_view file_arg, std::string_view text, bool debug, Output& out,
              Output& err);

// What a run that ran out of memory reports, after whatever it had already written to
// err; returns the exit status.
int out_of_memory(const std::vector<std::string>& args, Output& err);

// Flushes both streams; a report that could not be written is a failure, not a success.
int finish(int status, Output& out, Output& err);

}  // namespace linter
