#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "driver.h"

int main(int argc, char** argv) {
#ifdef SIGPIPE
  // A reader that goes away is a write error to report, not a reason to die silently.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  std::vector<std::string> args(argv, argv + argc);
  linter::Output out(stdout);
  linter::Output err(stderr);
  int status = linter::run(args, out, err);
  return linter::finish(status, out, err);
}
