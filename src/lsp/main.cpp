// linter-lsp: the linter's warnings as a language server, over standard input and output.
#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "huge_pages.h"
#include "lsp/server.h"
#include "platform.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: linter-lsp [--stdio]\n"
    "       linter-lsp --version\n"
    "A language server for BGT scripts: an editor starts it and talks to it over\n"
    "standard input and output.\n";

void write(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

int run(const std::vector<std::string>& args) {
  linter::map_large_blocks();
  // Bytes pass unchanged: no CR is added before a line feed, none taken from the input.
  linter::set_binary_stdio();
  for (std::size_t k = 1; k < args.size(); ++k) {
    if (args[k] == "--stdio") continue;  // the only channel there is; clients pass it
    if (args[k] == "--version") {
      write(stdout, "linter-lsp " LINTER_VERSION "\n");
      return 0;
    }
    write(stderr, kUsage);
    return 2;
  }
#ifdef SIGPIPE
  // A client that goes away ends the input too; the server then stops by itself.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  return linter::lsp::serve(
      [](char* buffer, std::size_t n) { return linter::read_stdin_some(buffer, n); },
      [](std::string_view message) { write(stdout, message); },
      [](std::string_view error) { write(stderr, error); }, LINTER_VERSION);
}

}  // namespace

#ifdef _WIN32
// Windows executables here link with -municode, so the entry point is wmain.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(linter::to_utf8(argv[i]));
  return run(args);
}
#else
int main(int argc, char** argv) { return run(std::vector<std::string>(argv, argv + argc)); }
#endif
