#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "huge_pages.h"

namespace linter {

// One finding of the analysis: its line, and where its text (without file, line or
// prefix) sits in its list's text. The text is "[<context>] <message>"; the message
// quotes the subject, the name the warning is about (or the 64-bit type word), which
// an editor marks on the line.
struct Warning {
  std::uint64_t line = 0;
  std::uint64_t begin = 0;
  std::uint64_t length = 0;
  std::uint64_t context = 0;         // the context's length, after the "["
  std::uint64_t subject_begin = 0;   // from the text's start
  std::uint64_t subject_length = 0;  // 0: none

  void set_subject(std::size_t at, std::size_t length) {
    subject_begin = at;
    subject_length = length;
  }
};

// The findings of one analysis. Their texts share one buffer: a large script has a
// warning for every few dozen tokens, and a string each would cost an allocation each.
class WarningList {
 public:
  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  const Warning& operator[](std::size_t i) const { return items_[i]; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  // The whole text, "[<context>] <message>".
  std::string_view message(const Warning& w) const {
    return {text_.data() + w.begin, static_cast<std::size_t>(w.length)};
  }
  std::string_view context(const Warning& w) const { return message(w).substr(1, w.context); }
  std::string_view subject(const Warning& w) const {
    return message(w).substr(w.subject_begin, w.subject_length);
  }
  // Adds a warning whose text of `length` bytes the caller writes at text(), which stays
  // valid until the next warning is added.
  Warning& append(std::uint64_t line, std::size_t length) {
    const std::size_t begin = text_.size();
    items_.push_back({line, begin, length});
    text_.resize(begin + length);  // unfilled, see HugePageAllocator
    return items_.back();
  }
  char* text(const Warning& w) { return text_.data() + w.begin; }
  void push_back(std::string_view message, std::uint64_t line) {
    const Warning& w = append(line, message.size());
    if (!message.empty()) std::memcpy(text(w), message.data(), message.size());
  }
  // Room for that many warnings and bytes of text, untouched until used.
  void reserve(std::size_t warnings, std::size_t text_bytes) {
    items_.reserve(warnings);
    text_.reserve(text_bytes);
  }
  // The warnings themselves, for reordering; their texts stay where they are.
  BigVector<Warning>& items() { return items_; }

 private:
  BigVector<Warning> items_;
  BigVector<char> text_;
};

}  // namespace linter
