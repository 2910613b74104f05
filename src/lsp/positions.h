#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace linter::lsp {

// How the editor counts characters within a line: UTF-16 code units (the protocol's
// default) or bytes.
enum class Encoding { Utf16, Utf8 };

struct Position {
  std::uint64_t line = 0;  // 0-based; a line feed, a carriage return or both end a line
  std::uint64_t character = 0;
};

struct Range {
  Position start;
  Position end;
};

// Places in one document, found as the linter finds them and given as the editor
// counts them. The linter numbers lines by line feeds only; the editor also ends a
// line at a lone carriage return, and counts characters in its own encoding.
class DocumentPositions {
 public:
  DocumentPositions(std::string_view text, Encoding encoding);

  // Asks for the range of the first whole-word occurrence of `name` on the linter's
  // line `line` (1-based), or of that whole line when the name is not there or empty.
  // Returns a ticket for range().
  std::size_t add(std::uint64_t line, std::string_view name);
  // Works out every range asked for, in one pass over the text.
  void resolve();
  const Range& range(std::size_t ticket) const { return ranges_[ticket]; }

 private:
  // Byte offsets [begin, end) of the linter's line, without its line break.
  std::pair<std::size_t, std::size_t> linter_line(std::uint64_t line) const;
  // Where `name` first stands as a whole word in text_[begin, end), or npos.
  std::size_t find_word(std::size_t begin, std::size_t end, std::string_view name);

  std::string_view text_;
  Encoding encoding_;
  std::vector<std::size_t> line_starts_;  // of the linter's lines
  // Words of the line searched last, with where each first stands: a line with many
  // warnings is scanned once.
  std::uint64_t scanned_line_ = 0;
  std::vector<std::pair<std::string_view, std::size_t>> words_;
  std::vector<std::pair<std::size_t, std::size_t>> spans_;  // byte offsets, by ticket
  std::vector<Range> ranges_;
};

}  // namespace linter::lsp
