#include <csignal>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "driver.h"
#include "huge_pages.h"
#include "platform.h"

namespace {

int run_process(const std::vector<std::string>& args) {
  linter::map_large_blocks();
#ifdef SIGPIPE
  // A reader that goes away is a write error to report, not a reason to die silently.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  linter::set_binary_stdio();
  linter::Output out(stdout);
  linter::Output err(stderr);
  int status;
  try {
    status = linter::run(args, out, err);
  } catch (const std::bad_alloc&) {
    // Everything the run held is freed by now, so the message has room.
    status = linter::out_of_memory(args, err);
  }
  return linter::finish(status, out, err);
}

}  // namespace

#ifdef _WIN32
// The narrow argv of Windows is in the ANSI code page and loses characters; the wide one
// does not. MinGW needs -municode (set by cmake/mingw-w64.cmake) to call wmain.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  args.reserve(static_cast<std::size_t>(argc));
  for (int i = 0; i < argc; ++i) args.push_back(linter::to_utf8(argv[i]));
  return run_process(args);
}
#else
int main(int argc, char** argv) {
  return run_process(std::vector<std::string>(argv, argv + argc));
}
#endif
