#include "lsp/positions.h"

#include <algorithm>

#include "lexer/scan.h"

namespace linter::lsp {

namespace {

std::size_t char_length(unsigned char lead) {
  return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

}  // namespace

DocumentPositions::DocumentPositions(std::string_view text, Encoding encoding)
    : text_(text), encoding_(encoding) {
  line_starts_.push_back(0);
  for (std::size_t p = text.find('\n'); p != std::string_view::npos; p = text.find('\n', p + 1))
    line_starts_.push_back(p + 1);
}

std::pair<std::size_t, std::size_t> DocumentPositions::linter_line(std::uint64_t line) const {
  const std::size_t k = std::size_t(std::clamp<std::uint64_t>(line, 1, line_starts_.size()) - 1);
  const std::size_t begin = line_starts_[k];
  std::size_t end = k + 1 < line_starts_.size() ? line_starts_[k + 1] - 1 : text_.size();
  if (end > begin && text_[end - 1] == '\r') --end;  // a CR LF ends the editor's line there
  return {begin, end};
}

std::size_t DocumentPositions::find_word(std::size_t begin, std::size_t end, std::string_view name) {
  if (scanned_line_ != begin + 1) {
    // The words of the line with where each stands, the first of each kept; a word
    // right after `~` also as "~word", for a destructor's name.
    words_.clear();
    for (std::size_t p = begin; p < end;) {
      std::size_t n = scan::word_char(text_, p);
      if (n == 0) {
        p += char_length(static_cast<unsigned char>(text_[p]));
        continue;
      }
      const std::size_t start = p;
      while (p < end && (n = scan::word_char(text_, p)) != 0) p += n;
      words_.emplace_back(text_.substr(start, p - start), start);
      if (start > begin && text_[start - 1] == '~')
        words_.emplace_back(text_.substr(start - 1, p - start + 1), start - 1);
    }
    std::stable_sort(words_.begin(), words_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    scanned_line_ = begin + 1;
  }
  auto at = std::lower_bound(words_.begin(), words_.end(), name,
                             [](const auto& w, std::string_view n) { return w.first < n; });
  return at != words_.end() && at->first == name ? at->second : std::string_view::npos;
}

std::size_t DocumentPositions::add(std::uint64_t line, std::string_view name) {
  const auto [begin, end] = linter_line(line);
  const std::size_t at = name.empty() ? std::string_view::npos : find_word(begin, end, name);
  spans_.push_back(at == std::string_view::npos ? std::pair{begin, end}
                                                 : std::pair{at, at + name.size()});
  return spans_.size() - 1;
}

void DocumentPositions::resolve() {
  std::vector<std::size_t> offsets;
  offsets.reserve(2 * spans_.size());
  for (const auto& [b, e] : spans_) {
    offsets.push_back(b);
    offsets.push_back(e);
  }
  std::sort(offsets.begin(), offsets.end());
  offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());

  // One sweep over the text up to the last offset, counting the editor's lines and the
  // characters since the last line break in its encoding.
  std::vector<Position> at(offsets.size());
  Position here;
  std::size_t p = 0;
  for (std::size_t k = 0; k < offsets.size(); ++k) {
    while (p < offsets[k]) {
      const auto c = static_cast<unsigned char>(text_[p]);
      if (c == '\n' || c == '\r') {
        p += c == '\r' && p + 1 < text_.size() && text_[p + 1] == '\n' ? 2 : 1;
        ++here.line;
        here.character = 0;
        continue;
      }
      const std::size_t n = char_length(c);
      here.character += encoding_ == Encoding::Utf8 ? n : n == 4 ? 2 : 1;
      p += n;
    }
    at[k] = here;
  }
  ranges_.resize(spans_.size());
  auto position = [&](std::size_t offset) {
    return at[std::size_t(std::lower_bound(offsets.begin(), offsets.end(), offset) - offsets.begin())];
  };
  for (std::size_t t = 0; t < spans_.size(); ++t)
    ranges_[t] = {position(spans_[t].first), position(spans_[t].second)};
}

}  // namespace linter::lsp
