#include "lexer/lexer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <thread>

#include "lexer/scan.h"
#include "side_by_side.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The word lookup sits in the innermost loop; its misses do not.
#if defined(__GNUC__)
#define LINTER_INLINE [[gnu::always_inline]] inline
#define LINTER_NOINLINE [[gnu::noinline]]
#else
#define LINTER_INLINE inline
#define LINTER_NOINLINE
#endif

namespace linter {
namespace {

enum CharClass : std::uint8_t {
  kWordStart,  // first so that word characters are the classes up to kDigit
  kDigit,
  kOther,  // no token starts here: unknown character
  kSpace,  // blanks other than the line feed
  kNewline,
  kSlash,
  kQuote,
  kHash,
  kOperator,
  kNonAscii,
};

constexpr std::array<std::uint8_t, 256> make_classes() {
  std::array<std::uint8_t, 256> t{};
  for (auto& c : t) c = kOther;
  for (int c = 0x80; c < 256; ++c) t[c] = kNonAscii;
  for (int c : {' ', '\t', '\v', '\f', '\r'}) t[c] = kSpace;
  t['\n'] = kNewline;
  t['/'] = kSlash;
  t['"'] = kQuote;
  t['#'] = kHash;
  for (int c = '0'; c <= '9'; ++c) t[c] = kDigit;
  for (int c = 'a'; c <= 'z'; ++c) t[c] = kWordStart;
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = kWordStart;
  t['_'] = kWordStart;
  for (int c : {'~', '!', '=', '<', '>', '+', '-', '*', '%', '&', '|', '^', '{', '}', '(', ')', '[',
                ']', ';', ',', '.', ':', '@'})
    t[c] = kOperator;
  return t;
}
constexpr auto kClasses = make_classes();

// Reserved words, found by length and first letter.
TokenKind classify_word(std::string_view w) {
  using K = TokenKind;
  switch (w.size()) {
    case 2:
      if (w == "if") return K::Keyword;
      break;
    case 3:
      if (w == "int" || w == "for" || w == "new") return w == "int" ? K::TypeKw : K::Keyword;
      break;
    case 4:
      switch (w[0]) {
        case 't': if (w == "true") return K::BoolLit; break;
        case 'v': if (w == "void") return K::TypeKw; break;
        case 'i': if (w == "int8") return K::TypeKw; break;
        case 'u': if (w == "uint") return K::TypeKw; break;
        case 'b': if (w == "bool") return K::TypeKw; break;
        case 'e': if (w == "else") return K::Keyword; break;
        case 'c': if (w == "case") return K::Keyword; break;
        case 'n': if (w == "null") return K::Keyword; break;
      }
      break;
    case 5:
      switch (w[0]) {
        case 'f':
          if (w == "false") return K::BoolLit;
          if (w == "float") return K::TypeKw;
          break;
        case 'c': if (w == "class") return K::Class; break;
        case 'i':
          if (w == "int16" || w == "int64") return K::TypeKw;
          break;
        case 's': if (w == "short") return K::TypeKw; break;
        case 'u': if (w == "uint8") return K::TypeKw; break;
        case 'w': if (w == "while") return K::Keyword; break;
        case 'b': if (w == "break") return K::Keyword; break;
      }
      break;
    case 6:
      switch (w[0]) {
        case 'r': if (w == "return") return K::Return; break;
        case 's':
          if (w == "string") return K::TypeKw;
          if (w == "switch") return K::Keyword;
          break;
        case 'd': if (w == "double") return K::TypeKw; break;
        case 'u':
          if (w == "uint16" || w == "uint64") return K::TypeKw;
          break;
      }
      break;
    case 8:
      if (w == "continue") return K::Keyword;
      break;
    case 9:
      if (w == "interface") return K::Interface;
      break;
    case 10:
      if (w == "dictionary") return K::TypeKw;
      break;
  }
  return K::Ident;
}

// The end of the run of ASCII letters, digits and underscores from p on. Sixteen
// bytes at a time where the machine can, which spares the branch per byte that the
// end of nearly every word would mispredict; the source's zero padding makes the
// wide reads safe.
LINTER_INLINE std::size_t ascii_word_end(const char* s, std::size_t p) {
#if defined(__SSE2__)
  const __m128i to_letters = _mm_set1_epi8(char(0x80 - 'a'));
  const __m128i letters = _mm_set1_epi8(char(0x80 + 26));
  const __m128i to_digits = _mm_set1_epi8(char(0x80 - '0'));
  const __m128i digits = _mm_set1_epi8(char(0x80 + 10));
  const __m128i underscore = _mm_set1_epi8('_');
  const __m128i case_bit = _mm_set1_epi8(0x20);
  for (;;) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + p));
    // Ranges tested as signed bytes moved down to -128: bytes from 0x80 up fall outside.
    const __m128i letter =
        _mm_cmplt_epi8(_mm_add_epi8(_mm_or_si128(c, case_bit), to_letters), letters);
    const __m128i digit = _mm_cmplt_epi8(_mm_add_epi8(c, to_digits), digits);
    const __m128i word = _mm_or_si128(_mm_or_si128(letter, digit), _mm_cmpeq_epi8(c, underscore));
    const unsigned others = ~unsigned(_mm_movemask_epi8(word)) & 0xFFFFu;
    if (others) return p + std::size_t(std::countr_zero(others));
    p += 16;
  }
#else
  while (kClasses[static_cast<unsigned char>(s[p])] <= kDigit) ++p;
  return p;
#endif
}

inline void prefetch(const void* p) {
#if defined(__GNUC__)
  __builtin_prefetch(p);
#else
  (void)p;
#endif
}

static_assert(std::endian::native == std::endian::little, "word loads assume little-endian order");

std::uint64_t load8(const char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// The n < 8 bytes at p as a number, the bytes after them zeroed; reads 8 bytes, which
// the source's padding makes safe.
std::uint64_t load_tail(const char* p, std::size_t n) {
  return n == 0 ? 0 : load8(p) & (~std::uint64_t{0} >> (64 - 8 * n));
}

// A word's first eight bytes (zero-filled when shorter), which with its length settle
// most comparisons between words without touching their text.
std::uint64_t word_head(const char* p, std::size_t n) { return n >= 8 ? load8(p) : load_tail(p, n); }

constexpr std::uint64_t kMix = 0x9E3779B97F4A7C15ull;

// Every byte counts, so that words alike in all but a few bytes still spread out.
LINTER_INLINE std::uint64_t hash_word(const char* p, std::size_t n, std::uint64_t head) {
  std::uint64_t h = (head ^ n) * kMix;
  if (n <= 8) return h;
  if (n <= 16) return (h ^ (h >> 29) ^ load8(p + n - 8)) * kMix;  // overlaps the head
  for (p += 8, n -= 8; n >= 8; p += 8, n -= 8) h = (h ^ (h >> 29) ^ load8(p)) * kMix;
  return (h ^ (h >> 29) ^ load_tail(p, n)) * kMix;
}

// The distinct words met so far, with the kind each one lexes as. Open addressing with
// linear probing, kept at most half full; a slot holds the word's head and length.
class WordTable {
 public:
  explicit WordTable(TokenStore& out) : out_(out), slots_(std::size_t{1} << kInitialBits) {}

  // The id of the word of `length` bytes at p, interned on first sight; kind receives
  // its token kind.
  LINTER_INLINE NameId intern(const char* p, std::size_t length, TokenKind& kind) {
    std::uint64_t head = word_head(p, length);
    return intern_hashed(p, length, head, hash_word(p, length, head), kind);
  }
  // The same with the word's head and hash worked out beforehand (see hash_word).
  LINTER_INLINE NameId intern_hashed(const char* p, std::size_t length, std::uint64_t head,
                                     std::uint64_t h, TokenKind& kind) {
    const std::uint32_t tag = tag_of(length);
    for (std::size_t k = h >> shift_;; k = (k + 1) & mask_) {
      const Slot& slot = slots_[k];
      if (holds(slot, p, length, head, tag)) {
        kind = TokenKind(slot.tag >> 24);
        return slot.id;
      }
      if (slot.id == kNoName) return add(p, length, head, h, tag, kind);
    }
  }
  // The id of a word with that head and hash if the table has it, else kNoName.
  NameId find_hashed(const char* p, std::size_t length, std::uint64_t head,
                     std::uint64_t h) const {
    const std::uint32_t tag = tag_of(length);
    std::size_t k = h >> shift_;
    while (slots_[k].id != kNoName && !holds(slots_[k], p, length, head, tag))
      k = (k + 1) & mask_;
    return slots_[k].id;
  }
  // Asks for the slot a hash starts probing at ahead of the lookup; harmless if the
  // table grows in between.
  void prefetch_slot(std::uint64_t h) const { prefetch(&slots_[h >> shift_]); }

 private:
  static constexpr int kInitialBits = 12;
  static constexpr std::uint32_t kLengthMask = 0xFFFFFF;
  static constexpr std::uint32_t kLongTag = kLengthMask;  // lengths from here on share a tag
  struct Slot {
    std::uint64_t head = 0;
    NameId id = kNoName;
    std::uint32_t tag = 0;  // kind << 24 | length (kLongTag when longer)
  };

  static std::uint32_t tag_of(std::size_t length) {
    return length < kLongTag ? std::uint32_t(length) : kLongTag;
  }
  // Whether the slot holds the word. An empty slot's tag is 0, which no word's length is.
  LINTER_INLINE bool holds(const Slot& slot, const char* p, std::size_t length,
                           std::uint64_t head, std::uint32_t tag) const {
    return slot.head == head && (slot.tag & kLengthMask) == tag &&
           (length <= 8 || matches(slot.id, p, length));
  }
  bool matches(NameId id, const char* p, std::size_t length) const {
    std::string_view known = name(id);
    if (known.size() != length) return false;
    // The heads are equal: up to 16 bytes, the last eight settle it.
    if (length <= 16) return load8(known.data() + length - 8) == load8(p + length - 8);
    const char* a = known.data() + 8;
    const char* b = p + 8;
    std::size_t n = length - 8;
    for (; n >= 8; a += 8, b += 8, n -= 8)
      if (load8(a) != load8(b)) return false;
    return load_tail(a, n) == load_tail(b, n);
  }
  LINTER_NOINLINE NameId add(const char* p, std::size_t length, std::uint64_t head, std::uint64_t h,
             std::uint32_t tag, TokenKind& kind) {
    NameId id = out_.add_name(p, length);
    kind = classify_word(std::string_view(p, length));
    if (++count_ * 2 > mask_ + 1) grow();
    place({head, id, tag | std::uint32_t(kind) << 24}, h);
    return id;
  }
  void place(const Slot& slot, std::uint64_t h) {
    std::size_t k = h >> shift_;
    while (slots_[k].id != kNoName) k = (k + 1) & mask_;
    slots_[k] = slot;
  }
  void grow() {
    PageVector<Slot> old((mask_ + 1) * 2);
    old.swap(slots_);
    std::size_t old_size = mask_ + 1;
    mask_ = mask_ * 2 + 1;
    --shift_;
    for (std::size_t k = 0; k < old_size; ++k) {
      const Slot& slot = old[k];
      if (slot.id == kNoName) continue;
      std::string_view w = name(slot.id);
      place(slot, hash_word(w.data(), w.size(), slot.head));
    }
  }

  std::string_view name(NameId id) const {
    const TokenStore::NameEntry& e = out_.names[id];
    return {out_.name_text.data() + e.offset, e.length};
  }

  TokenStore& out_;
  PageVector<Slot> slots_;
  std::size_t mask_ = (std::size_t{1} << kInitialBits) - 1;
  int shift_ = 64 - kInitialBits;  // slot index = the hash's top bits
  std::size_t count_ = 0;
};

// Operator kinds by character: chars[k] gives kinds[k], any other character IntLit,
// which here means "none".
template <std::size_t N>
constexpr std::array<TokenKind, 128> operator_table(const char (&chars)[N],
                                                    const std::array<TokenKind, N - 1>& kinds) {
  std::array<TokenKind, 128> t{};
  for (auto& k : t) k = TokenKind::IntLit;
  for (std::size_t k = 0; k + 1 < N; ++k) t[static_cast<unsigned char>(chars[k])] = kinds[k];
  return t;
}
using K = TokenKind;
// The operator a character makes alone, with a following `=`, and doubled.
constexpr auto kSingle = operator_table(
    "~!=<>+-*/%&|^{}()[];,.:@",
    {K::Tilde, K::Bang, K::Equals, K::Lt, K::Gt, K::Plus, K::Minus, K::Star, K::Slash,
     K::Percent, K::BitAnd, K::BitOr, K::BitXor, K::LBrace, K::RBrace, K::LParen, K::RParen,
     K::LBracket, K::RBracket, K::Semicolon, K::Comma, K::Dot, K::Colon, K::At});
constexpr auto kWithEquals = operator_table(
    "!=<>+-*/%&|^", {K::BangEq, K::EqEq, K::LtEq, K::GtEq, K::PlusEq, K::MinusEq, K::StarEq,
                     K::SlashEq, K::PercentEq, K::AndEq, K::OrEq, K::XorEq});
constexpr auto kDoubled = operator_table(
    "<>+-&|", {K::LShift, K::RShift, K::PlusPlus, K::MinusMinus, K::And, K::Or});

// The characters that make a token on their own whatever follows, by character (all
// 256, so that any byte can index it); IntLit for the others.
constexpr std::array<TokenKind, 256> lone_characters() {
  constexpr auto lone = operator_table(
      "{}()[];,.:@~", {K::LBrace, K::RBrace, K::LParen, K::RParen, K::LBracket, K::RBracket,
                       K::Semicolon, K::Comma, K::Dot, K::Colon, K::At, K::Tilde});
  std::array<TokenKind, 256> t{};
  for (std::size_t c = 0; c < t.size(); ++c) t[c] = c < lone.size() ? lone[c] : K::IntLit;
  return t;
}
constexpr auto kLone = lone_characters();
constexpr bool lone_agrees_with_operators() {
  for (std::size_t c = 0; c < 128; ++c)
    if (kLone[c] != K::IntLit &&
        (kSingle[c] != kLone[c] || kWithEquals[c] != K::IntLit || kDoubled[c] != K::IntLit))
      return false;
  return true;
}
static_assert(lone_agrees_with_operators(), "a lone character must lex the same on its own");

void write_problem(Output& diagnostics, std::uint64_t line, std::string_view problem) {
  diagnostics << "Warning [line " << static_cast<unsigned long long>(line) << "]: " << problem
              << '\n';
}

// Lexical problems of a stretch of the script lexed ahead, held back until the stretch
// before it is done, with lines counted from the stretch's start.
struct HeldProblems {
  struct Item {
    std::uint64_t line;
    std::size_t end;  // in text
  };
  PageArray<char> text;  // the problems, one after another
  PageArray<Item> items;

  void add(std::uint64_t line, std::string_view problem) {
    if (!problem.empty()) std::memcpy(text.extend(problem.size()), problem.data(), problem.size());
    items.push_back({line, text.size()});
  }
};

// Lexes source[begin, end of source). With a limit, stops at the first line start at or
// after it: landing exactly on it means no token spans it, so the rest can be lexed
// separately; passing it means one does, and the lexer goes on to the end.
class Lexer {
 public:
  // Room is made for the tokens and line starts of source[begin, reserve_end); a lexer
  // that goes past it grows its tables as it goes.
  Lexer(const char* source, std::size_t size, std::size_t begin, std::size_t reserve_end,
        TokenStore& out, Output* diagnostics, HeldProblems* held)
      : out_(out),
        diag_(diagnostics),
        held_(held),
        view_(source, size),
        s_(source),
        n_(size),
        words_(out),
        pos_(begin) {
    // Every token takes at least one byte.
    out.kinds.reserve(n_ - begin + 1);
    out.payloads.reserve(n_ - begin + 1);
    // Room for lines of 16 bytes on average; more grow the table by moving its pages
    // (see PageArray), which costs less than counting the line feeds up front.
    out.lines.reserve((reserve_end - begin) / 16 + 16);
    kinds_ = out.kinds.data();
    payloads_ = out.payloads.data();
    out.start_line(0, 1);
  }

  // Returns true when it stopped at the limit.
  bool run(std::size_t limit = kNoLimit);
  // Set from another thread to make a lexer working ahead give up early.
  void cancel_with(const std::atomic<bool>* flag) { cancel_ = flag; }

  std::uint64_t line() const { return line_; }
  WordTable& words() { return words_; }

 private:
  static constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);

  void warn(std::uint64_t line, std::string_view problem) {
    if (held_) {
      held_->add(line, problem);
      return;
    }
    write_problem(*diag_, line, problem);
  }
  // The rarer tokens are lexed by members working on pos_ and count_; run() keeps both
  // in locals, since every token store could otherwise alias them.
  void emit(TokenKind kind, std::uint32_t payload) {
    kinds_[count_] = kind;
    payloads_[count_] = payload;
    ++count_;
  }
  void new_lines(std::uint64_t count) {
    line_ += count;
    out_.start_line(count_, line_);
  }
  unsigned char at(std::size_t i) const { return static_cast<unsigned char>(s_[i]); }
  // Interns the word source[begin, end); kind receives its kind, the result its payload.
  std::uint32_t word_payload(std::size_t begin, std::size_t end, TokenKind& kind) {
    NameId id = words_.intern(s_ + begin, end - begin, kind);
    if (is_name_kind(kind)) return id;
    return kind == TokenKind::BoolLit ? out_.add_offset(begin) : 0;
  }

  void block_comment();
  void string_literal();
  void directive();
  void non_ascii();
  void word(std::size_t end);
  void unknown(std::size_t length);

  TokenStore& out_;
  Output* diag_;
  HeldProblems* held_;
  std::string_view view_;
  const char* s_;  // view_'s bytes, followed by zeros
  std::size_t n_;
  WordTable words_;
  TokenKind* kinds_ = nullptr;
  std::uint32_t* payloads_ = nullptr;
  const std::atomic<bool>* cancel_ = nullptr;
  std::size_t count_ = 0;
  std::size_t pos_;
  std::uint64_t line_ = 1;
};

bool Lexer::run(std::size_t limit) {
  const char* const s = s_;
  TokenKind* const kinds = kinds_;
  std::uint32_t* const payloads = payloads_;
  std::size_t pos = pos_;
  std::size_t count = count_;
  auto uc = [s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  auto emit = [&](TokenKind kind, std::uint32_t payload) {
    kinds[count] = kind;
    payloads[count] = payload;
    ++count;
  };
  auto cold = [&](void (Lexer::*lex)()) {
    pos_ = pos;
    count_ = count;
    (this->*lex)();
    pos = pos_;
    count = count_;
  };
  // Each token starts where the one before it ended, so lexing is bound by how long
  // finding the next start takes, more than by the work per token. The common paths
  // load the bytes after a token together, before they know which of them the next
  // token starts at, pick one, and go straight to its dispatch with it in c: a load at
  // the loop's head would wait for pos first.
  unsigned char c;
  for (;;) {
    c = uc(pos);
  dispatch:
    switch (kClasses[c]) {
      case kSpace:
        // Indentation comes in runs.
        do c = uc(++pos);
        while (kClasses[c] == kSpace);
        goto dispatch;
      case kNewline:
        ++pos;
        ++line_;
        out_.start_line(count, line_);
        // Only here can the lexer land exactly on a line start.
        if (pos >= limit) {
          if (pos == limit) {
            pos_ = pos;
            count_ = count;
            out_.size = count;
            return true;
          }
          limit = kNoLimit;
        }
        if (cancel_ && cancel_->load(std::memory_order_relaxed)) {
          out_.size = count;
          return false;
        }
        c = uc(pos);
        while (kClasses[c] == kSpace) c = uc(++pos);  // the indentation
        goto dispatch;
      case kSlash:
        if (s[pos + 1] == '*') {
          cold(&Lexer::block_comment);
          break;
        }
        if (s[pos + 1] == '/') {
          const void* lf = std::memchr(s + pos, '\n', n_ - pos);
          pos = lf ? std::size_t(static_cast<const char*>(lf) - s) : n_;
          break;
        }
        [[fallthrough]];
      case kOperator: {
        unsigned char d = uc(pos + 1);
        K kind = kSingle[c];
        std::size_t length = 1;
        if (d == '=' && kWithEquals[c] != K::IntLit) {
          kind = kWithEquals[c];
          length = 2;
        } else if (d == c && kDoubled[c] != K::IntLit) {
          kind = kDoubled[c];
          length = 2;
          if ((c == '<' || c == '>') && s[pos + 2] == '=') {
            kind = c == '<' ? K::LShiftEq : K::RShiftEq;
            length = 3;
          }
        }
        emit(kind, 0);
        pos += length;
        {
          const unsigned char e0 = uc(pos), e1 = uc(pos + 1);
          const bool blank = e0 == ' ';  // saves a turn of the loop on the usual single blank
          pos += blank;
          c = blank ? e1 : e0;
        }
        goto dispatch;
      }
      case kWordStart: {
        std::size_t end = ascii_word_end(s, pos + 1);
        if (uc(end) >= 0x80) end = scan::word_end(view_, end);
        TokenKind kind;
        std::uint32_t payload = word_payload(pos, end, kind);
        emit(kind, payload);
        const unsigned char c0 = uc(end), c1 = uc(end + 1), c2 = uc(end + 2), c3 = uc(end + 3);
        const bool blank = c0 == ' ';
        pos = end + blank;
        // Words are mostly followed by punctuation that is always one character: taking
        // it here spares a turn of the loop and its mispredicted dispatch.
        c = blank ? c1 : c0;
        if (const K lone = kLone[c]; lone != K::IntLit) {
          emit(lone, 0);
          const unsigned char d1 = blank ? c2 : c1, d2 = blank ? c3 : c2;
          const bool blank2 = d1 == ' ';
          pos += 1 + blank2;
          c = blank2 ? d2 : d1;
        }
        goto dispatch;
      }
      case kDigit: {
        std::size_t start = pos;
        do ++pos;
        while (scan::is_digit(uc(pos)));
        TokenKind kind = K::IntLit;
        if (s[pos] == '.') {
          do ++pos;
          while (scan::is_digit(uc(pos)));
          kind = K::DoubleLit;
        }
        emit(kind, out_.add_offset(start));
        break;
      }
      case kQuote:
        cold(&Lexer::string_literal);
        break;
      case kHash:
        cold(&Lexer::directive);
        break;
      case kNonAscii:
        cold(&Lexer::non_ascii);
        break;
      default:
        if (pos >= n_) {
          pos_ = pos;
          count_ = count;
          out_.size = count;
          return false;
        }
        pos_ = pos;
        unknown(1);
        pos = pos_;
        break;
    }
  }
}

void Lexer::non_ascii() {
  char32_t cp;
  std::size_t len = decode_utf8(reinterpret_cast<const unsigned char*>(s_) + pos_, cp);
  if (is_white_space(cp)) {
    pos_ += len;
  } else if (is_alphabetic(cp)) {
    word(scan::word_end(view_, pos_ + len));
  } else {
    unknown(len);
  }
}

void Lexer::unknown(std::size_t length) {
  std::string problem = "unknown character '";
  problem.append(view_.substr(pos_, length));
  problem += '\'';
  warn(line_, problem);
  pos_ += length;
}

void Lexer::block_comment() {
  // The input's last character is never examined, so "*/" must start before it.
  std::uint64_t lines = 0;
  for (std::size_t k = pos_ + 2; k + 1 < n_; ++k) {
    char c = s_[k];
    if (c == '\n') {
      ++lines;
    } else if (c == '*' && s_[k + 1] == '/') {
      pos_ = k + 2;
      if (lines) new_lines(lines);
      return;
    }
  }
  if (lines) new_lines(lines);
  warn(line_, "unterminated block comment");
  pos_ = n_;
}

void Lexer::string_literal() {
  std::uint64_t line = line_;
  scan::StringScan r = scan::scan_string(view_, pos_, nullptr);
  if (!r.terminated) warn(line, "unterminated string literal");
  emit(TokenKind::StringLit, out_.add_offset(pos_));
  if (r.lines) new_lines(r.lines);
  pos_ = r.end;
}

void Lexer::directive() {
  std::uint64_t line = line_;
  std::size_t name_start = pos_ + 1;
  std::size_t p = name_start;
  while (p < n_) {
    std::size_t len = scan::alpha_char(view_, p);
    if (len == 0) break;
    p += len;
  }
  std::string_view name = view_.substr(name_start, p - name_start);
  pos_ = p;
  if (name != "include") {
    std::string problem = "unknown directive '#";
    problem.append(name);
    problem += '\'';
    warn(line, problem);
    emit(TokenKind::Hash, 0);
    return;
  }
  if (p >= n_ || s_[p] != '"') {
    warn(line, "malformed #include");
    return;
  }
  std::size_t path_start = p + 1;
  std::size_t path_end = scan::include_path_end(view_, path_start);
  emit(TokenKind::Include, out_.add_offset(path_start));
  if (path_end < n_ && s_[path_end] == '"') {
    pos_ = path_end + 1;
  } else {
    warn(line, "unterminated #include path");
    pos_ = path_end;
  }
}

void Lexer::word(std::size_t end) {
  TokenKind kind;
  std::uint32_t payload = word_payload(pos_, end, kind);
  emit(kind, payload);
  pos_ = end;
}

// The ids the first half's table gives the second half's words, in its order of first
// sight; the words it does not have are added to the first half's store after its own.
// They are not added to the table: the second half's words are all distinct, so none
// is looked up twice, and the table is not needed once lexing is done; growing it (for
// a script of many distinct words, to more than its double) would cost more than the
// look-ups. The texts lie one after another; the slots are scattered over a table
// larger than the caches, so each is asked for kAhead words before its lookup.
PageVector<NameId> ids_in_first(const TokenStore& second, const WordTable& words,
                                TokenStore& first) {
  const std::size_t count = second.names.size();
  PageVector<NameId> ids(count);
  constexpr std::size_t kAhead = 8;
  struct Hashed {
    std::uint64_t head = 0;
    std::uint64_t h = 0;
  };
  std::array<Hashed, kAhead> ahead{};
  auto text = [&](std::size_t k) { return second.name_text.data() + second.names[k].offset; };
  auto hash_ahead = [&](std::size_t k) {
    const std::size_t length = second.names[k].length;
    Hashed& r = ahead[k % kAhead];
    r.head = word_head(text(k), length);
    r.h = hash_word(text(k), length, r.head);
    words.prefetch_slot(r.h);
  };
  for (std::size_t k = 0; k < std::min(count, kAhead); ++k) hash_ahead(k);
  for (std::size_t k = 0; k < count; ++k) {
    const Hashed r = ahead[k % kAhead];
    if (k + kAhead < count) hash_ahead(k + kAhead);
    const std::size_t length = second.names[k].length;
    const NameId known = words.find_hashed(text(k), length, r.head, r.h);
    ids[k] = known != kNoName ? known : first.add_name(text(k), length);
  }
  return ids;
}

// Appends the tokens lexed ahead to those before them, as if one lexer had done both:
// their words get the ids the first half's table gives them (new words in order of
// first sight), their literal indices move up. They are renumbered where they are,
// then appended, which moves their pages rather than copying them. Their line runs
// stay as they are, as the store's later_lines.
void join_stores(TokenStore& first, TokenStore& second, const WordTable& words,
                 std::uint64_t lines_before) {
  PageVector<NameId> ids = ids_in_first(second, words, first);
  ids.push_back(0);  // read, and not used, for the tokens without a name
  const std::size_t base = first.size;
  const std::uint32_t offsets_before = std::uint32_t(first.offsets.size());
  // The kinds mix with no pattern a branch could learn, so the payloads are worked
  // out both ways and one kept by a mask.
  std::array<std::uint32_t, 256> name_mask{}, moves_by{};
  for (std::size_t k = 0; k < kTokenKindCount; ++k) {
    name_mask[k] = is_name_kind(TokenKind(k)) ? ~std::uint32_t{0} : 0;
    moves_by[k] = has_offset(TokenKind(k)) ? offsets_before : 0;
  }
  const std::uint32_t sentinel = std::uint32_t(ids.size() - 1);
  const TokenKind* kinds = second.kinds.data();
  std::uint32_t* payloads = second.payloads.data();
  auto renumber = [&](std::size_t from, std::size_t to) {
    for (std::size_t k = from; k < to; ++k) {
      const std::size_t kind = std::size_t(kinds[k]);
      const std::uint32_t payload = payloads[k];
      const std::uint32_t mask = name_mask[kind];
      const std::uint32_t named = ids[(payload & mask) | (sentinel & ~mask)];
      payloads[k] = (named & mask) | ((payload + moves_by[kind]) & ~mask);
    }
  };
  // The pass is bound by memory, which two threads reach faster than one.
  constexpr std::size_t kShareFrom = std::size_t{1} << 20;
  if (second.size >= kShareFrom) {
    const std::size_t mid = second.size / 2;
    side_by_side([&] { renumber(0, mid); }, [&] { renumber(mid, second.size); });
  } else {
    renumber(0, second.size);
  }
  first.kinds.set_size(base);
  first.payloads.set_size(base);
  second.kinds.set_size(second.size);
  second.payloads.set_size(second.size);
  first.kinds.append(std::move(second.kinds));
  first.payloads.append(std::move(second.payloads));
  first.size = base + second.size;
  first.offsets.append(std::move(second.offsets));
  first.later_lines = std::move(second.lines);
  first.later_from = base;
  first.later_lines_before = lines_before;
}

}  // namespace

TokenList tokenize(SourceText text, Output& diagnostics) {
  std::size_t split = 0;
  // Below this a second thread costs more than it saves.
  constexpr std::size_t kSplitThreshold = std::size_t{4} << 20;
  if (text.size() >= kSplitThreshold && std::thread::hardware_concurrency() > 1) {
    std::string_view v = text.view();
    std::size_t lf = v.find('\n', v.size() / 2);
    if (lf != std::string_view::npos) split = lf + 1;
  }
  return tokenize_split(std::move(text), diagnostics, split);
}

TokenList tokenize_split(SourceText text, Output& diagnostics, std::size_t split) {
  if (text.size() > kMaxScriptSize) throw std::length_error("script too large to lint");
  const char* s = text.data();
  std::size_t n = text.size();
  TokenStore first;
  const bool splits = split > 0 && split < n && s[split - 1] == '\n';
  if (!splits) {
    Lexer lexer(s, n, 0, n, first, &diagnostics, nullptr);
    lexer.run();
    return TokenList(std::move(text), std::move(first));
  }

  // The second half is lexed ahead on another thread, on the guess that no token spans
  // the split; the first half's lexer then tells whether the guess holds. Each lexer is
  // set up on its own thread: setting up counts its stretch's lines.
  std::optional<Lexer> first_lexer;
  TokenStore second;
  HeldProblems held;
  std::atomic<bool> cancel{false};
  bool second_ok = false;
  bool landed = false;
  side_by_side(
      [&] {
        try {
          Lexer rest(s, n, split, n, second, nullptr, &held);
          rest.cancel_with(&cancel);
          rest.run();
          second_ok = !cancel.load();
        } catch (const std::bad_alloc&) {
          second_ok = false;  // the first half's lexer goes on alone
        }
      },
      [&] {
        // The second lexer gives up early once its work cannot be used.
        try {
          first_lexer.emplace(s, n, 0, split, first, &diagnostics, nullptr);
          landed = first_lexer->run(split);
        } catch (...) {
          cancel = true;
          throw;
        }
        if (!landed) cancel = true;
      });
  Lexer& lexer = *first_lexer;
  if (!landed) return TokenList(std::move(text), std::move(first));
  if (!second_ok) {
    lexer.run();
    return TokenList(std::move(text), std::move(first));
  }
  const std::uint64_t lines_before = lexer.line() - 1;
  join_stores(first, second, lexer.words(), lines_before);
  for (std::size_t k = 0, begin = 0; k < held.items.size(); ++k) {
    const HeldProblems::Item& item = held.items[k];
    write_problem(diagnostics, item.line + lines_before,
                  std::string_view(held.text.data() + begin, item.end - begin));
    begin = item.end;
  }
  return TokenList(std::move(text), std::move(first));
}

TokenList tokenize(std::string_view text, Output& diagnostics) {
  return tokenize(SourceText(text), diagnostics);
}

}  // namespace linter
