// The language server's message loop on arbitrary bytes. Besides the sanitizers, it
// traps on a status other than 0 or 1 and on anything written that is not a framed
// JSON object whose length header tells its length.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "checks.h"
#include "lsp/server.h"

namespace {

void check_frames(std::string_view out) {
  using namespace fuzzcheck;
  constexpr std::string_view kHeader = "Content-Length: ";
  while (!out.empty()) {
    require(out.substr(0, kHeader.size()) == kHeader, "output not framed");
    out.remove_prefix(kHeader.size());
    const std::size_t end = out.find("\r\n\r\n");
    require(end != std::string_view::npos, "frame header not ended");
    std::uint64_t length = 0;
    require(parse_u64(out.substr(0, end), length), "frame length not a number");
    out.remove_prefix(end + 4);
    require(length <= out.size(), "frame shorter than its length");
    const auto body = nlohmann::json::parse(out.substr(0, length), nullptr, false);
    require(!body.is_discarded() && body.is_object(), "frame body not a JSON object");
    require(body.value("jsonrpc", "") == "2.0", "frame without jsonrpc 2.0");
    out.remove_prefix(length);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace fuzzcheck;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string out;
  bool broken = false;
  const int status = linter::lsp::serve(
      [&input](char* buffer, std::size_t n) {
        const std::size_t k = std::min(n, input.size());
        input.copy(buffer, k);
        input.remove_prefix(k);
        return k;
      },
      [&out](std::string_view message) { out.append(message); },
      [&broken](std::string_view) { broken = true; }, "0.0.0");
  require(status == 0 || status == 1, "exit status neither 0 nor 1");
  require(!broken || status == 1, "a broken stream did not end with status 1");
  check_frames(out);
  return 0;
}
