// The language server's framing of messages and its mapping of the linter's places to
// the editor's: the parts whose faults a transcript shows only as a wrong number.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/framing.h"
#include "lsp/positions.h"

namespace linter::lsp {
namespace {

// A source that hands out its bytes `step` at a time, as a pipe may.
ByteSource pieces(std::string bytes, std::size_t step) {
  auto held = std::make_shared<std::string>(std::move(bytes));
  auto at = std::make_shared<std::size_t>(0);
  return [held, at, step](char* out, std::size_t n) {
    const std::size_t k = std::min({n, step, held->size() - *at});
    held->copy(out, k, *at);
    *at += k;
    return k;
  };
}

std::vector<std::string> read_all(const std::string& bytes, std::size_t step,
                                  MessageReader::Status& last, std::string& error) {
  MessageReader reader(pieces(bytes, step));
  std::vector<std::string> bodies;
  std::string body;
  while ((last = reader.next(body, error)) == MessageReader::Status::Message) bodies.push_back(body);
  return bodies;
}

TEST(Framing, MessagesArriveWholeHoweverTheBytesAreCut) {
  std::string stream = frame("{\"a\":1}");
  stream += "content-length:  3\r\nContent-Type: x\r\n\r\n[1]";
  stream += frame("");
  stream += "Content-Length: 2\n\n{}";
  for (std::size_t step : {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{4096}}) {
    MessageReader::Status last;
    std::string error;
    EXPECT_EQ(read_all(stream, step, last, error),
              (std::vector<std::string>{"{\"a\":1}", "[1]", "", "{}"}))
        << step;
    EXPECT_EQ(last, MessageReader::Status::End);
  }
  EXPECT_EQ(frame("ab"), "Content-Length: 2\r\n\r\nab");
}

TEST(Framing, BodiesLongerThanTheReadsAndBytesOfAnyValue) {
  std::string body(200000, 'x');
  for (std::size_t k = 0; k < body.size(); k += 7) body[k] = char(k % 256);
  MessageReader::Status last;
  std::string error;
  EXPECT_EQ(read_all(frame(body) + frame(body), 65536, last, error),
            (std::vector<std::string>{body, body}));
}

TEST(Framing, AStreamCutShortEnds) {
  for (const std::string& cut : {std::string("Content-Length: 10\r\n\r\n{}"),
                                 std::string("Content-Length: 10\r\n"), std::string("Conte"),
                                 std::string("")}) {
    MessageReader::Status last;
    std::string error;
    EXPECT_TRUE(read_all(cut, 3, last, error).empty()) << cut;
    EXPECT_EQ(last, MessageReader::Status::End) << cut;
  }
}

TEST(Framing, HeadersThatCannotBeReadPast) {
  const std::string huge = std::to_string(kMaxBody + 1);
  for (const std::string& broken :
       {std::string("Content-Type: x\r\n\r\n{}"), std::string("Content-Length: abc\r\n\r\n"),
        std::string("Content-Length: -1\r\n\r\n"), std::string("Content-Length: 1e3\r\n\r\n"),
        "Content-Length: " + huge + "\r\n\r\n", std::string("Content-Length:\r\n\r\n"),
        std::string("{\"jsonrpc\":\"2.0\"}\r\n\r\n"), std::string(20000, 'h')}) {
    MessageReader::Status last;
    std::string error;
    EXPECT_TRUE(read_all(broken, 5, last, error).empty()) << broken.substr(0, 40);
    EXPECT_EQ(last, MessageReader::Status::Broken) << broken.substr(0, 40);
    EXPECT_FALSE(error.empty());
  }
  // Exactly the largest body is still a message header.
  MessageReader reader(pieces("Content-Length: " + std::to_string(kMaxBody) + "\r\n\r\n", 4096));
  std::string body, error;
  EXPECT_EQ(reader.next(body, error), MessageReader::Status::End);
}

// "line:character-line:character" of the range for `name` on the linter's line.
std::string place(std::string_view text, std::uint64_t line, std::string_view name,
                  Encoding encoding = Encoding::Utf16) {
  DocumentPositions places(text, encoding);
  const std::size_t t = places.add(line, name);
  places.resolve();
  const Range r = places.range(t);
  std::ostringstream out;
  out << r.start.line << ':' << r.start.character << '-' << r.end.line << ':' << r.end.character;
  return out.str();
}

TEST(Positions, LineBreaksAsTheEditorCountsThem) {
  // The linter counts line feeds only: after a lone CR it is still on line 1.
  EXPECT_EQ(place("int a;\rint b;\n", 1, "b"), "1:4-1:5");
  EXPECT_EQ(place("int a;\rint b;\n", 1, "a"), "0:4-0:5");
  EXPECT_EQ(place("int a;\r\nint b;\r\nx", 2, "b"), "1:4-1:5");
  // A whole line stops before its CR LF, or spans the lone CRs inside it.
  EXPECT_EQ(place("x;\r\nint b;\r\n", 2, ""), "1:0-1:6");
  EXPECT_EQ(place("a\rbc\rd\n", 1, "zz"), "0:0-2:1");
  EXPECT_EQ(place("last line", 1, "nothing"), "0:0-0:9");
}

TEST(Positions, CharactersInTheNegotiatedEncoding) {
  // é is 2 bytes and 1 UTF-16 unit; 😀 is 4 bytes and 2 units; the BOM 3 bytes, 1 unit.
  const std::string text = "\xEF\xBB\xBFint \xC3\xA9 = 1; /* \xF0\x9F\x98\x80 */ int b;\n";
  EXPECT_EQ(place(text, 1, "b"), "0:25-0:26");
  EXPECT_EQ(place(text, 1, "b", Encoding::Utf8), "0:30-0:31");
  EXPECT_EQ(place(text, 1, "\xC3\xA9"), "0:5-0:6");
  EXPECT_EQ(place(text, 1, "\xC3\xA9", Encoding::Utf8), "0:7-0:9");
}

TEST(Positions, TheFirstWholeWordOnly) {
  // Inside longer words (also with non-ASCII letters and digits) it is not the name.
  EXPECT_EQ(place("int hpx, xhp, hp_2, h\xC3\xA9hp, hp;", 1, "hp"), "0:26-0:28");
  EXPECT_EQ(place("hp.hp = hp;", 1, "hp"), "0:0-0:2");
  // A destructor's name keeps its tilde; the class name alone is found apart from it.
  EXPECT_EQ(place("class K { ~K() { } }", 1, "~K"), "0:10-0:12");
  EXPECT_EQ(place("class K { ~K() { } }", 1, "K"), "0:6-0:7");
  EXPECT_EQ(place("x; ~ K;", 1, "~K"), "0:0-0:7");
  // int64 as a word, not inside uint64.
  EXPECT_EQ(place("uint64 a; int64 b;", 1, "int64"), "0:10-0:15");
}

TEST(Positions, ManyPlacesInAnyOrderOnOneLongLine) {
  std::string text;
  for (int k = 0; k < 3000; ++k) text.append("int v").append(std::to_string(k)).append("; ");
  const std::string document = text + "\n\xC3\xA9 w;";
  DocumentPositions places(document, Encoding::Utf16);
  std::vector<std::size_t> tickets;
  std::vector<std::string> names;
  for (int k = 2999; k >= 0; k -= 7) names.push_back(std::string("v").append(std::to_string(k)));
  for (const std::string& name : names) tickets.push_back(places.add(1, name));
  const std::size_t last = places.add(2, "w");
  places.resolve();
  for (std::size_t t = 0; t < tickets.size(); ++t) {
    const int k = 2999 - int(t) * 7;
    const std::size_t at = text.find(std::string("int ").append(names[t]).append(";")) + 4;
    EXPECT_EQ(places.range(tickets[t]).start.character, at) << k;
    EXPECT_EQ(places.range(tickets[t]).end.character, at + 1 + std::to_string(k).size()) << k;
  }
  EXPECT_EQ(places.range(last).start.line, 1u);
  EXPECT_EQ(places.range(last).start.character, 2u);
}

}  // namespace
}  // namespace linter::lsp
