#include "lexer/lexer.h"

#include <array>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

#include "lexer/scan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The word look-up sits in the innermost loop; its misses do not.
#if defined(__GNUC__)
#define LINTER_INLINE [[gnu::always_inline]] inline
#define LINTER_NOINLINE [[gnu::noinline]]
#else
#define LINTER_INLINE inline
#define LINTER_NOINLINE
#endif

namespace linter {
namespace {

using K = TokenKind;

// What a byte can start, for the scan loop's one dispatch.
enum CharClass : std::uint8_t {
  kWordStart,
  kDigit,
  kOther,  // no token starts here: an unknown character, or the end of the text
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

// Operator kinds by character: chars[k] gives kinds[k], any other character IntLit,
// which here means "none".
template <std::size_t N>
constexpr std::array<TokenKind, 128> operator_table(const char (&chars)[N],
                                                    const std::array<TokenKind, N - 1>& kinds) {
  std::array<TokenKind, 128> t{};
  for (auto& k : t) k = K::IntLit;
  for (std::size_t k = 0; k + 1 < N; ++k) t[static_cast<unsigned char>(chars[k])] = kinds[k];
  return t;
}
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
// The characters that are a token whatever follows them (IntLit for the others), by
// byte: the punctuation that mostly follows a word.
constexpr std::array<TokenKind, 256> lone_characters() {
  constexpr auto lone = operator_table(
      "{}()[];,.:@~", {K::LBrace, K::RBrace, K::LParen, K::RParen, K::LBracket, K::RBracket,
                       K::Semicolon, K::Comma, K::Dot, K::Colon, K::At, K::Tilde});
  std::array<TokenKind, 256> t{};
  for (std::size_t c = 0; c < t.size(); ++c) t[c] = c < lone.size() ? lone[c] : K::IntLit;
  return t;
}
constexpr auto kLone = lone_characters();

// The reserved words and what each lexes as; any other word is an Ident. Only a word
// met for the first time is looked up here.
constexpr std::pair<std::string_view, TokenKind> kReservedWords[] = {
    {"true", K::BoolLit},      {"false", K::BoolLit},    {"class", K::Class},
    {"interface", K::Interface}, {"return", K::Return},  {"int", K::TypeKw},
    {"string", K::TypeKw},     {"double", K::TypeKw},    {"int8", K::TypeKw},
    {"int16", K::TypeKw},      {"short", K::TypeKw},     {"void", K::TypeKw},
    {"dictionary", K::TypeKw}, {"uint", K::TypeKw},      {"uint8", K::TypeKw},
    {"uint16", K::TypeKw},     {"int64", K::TypeKw},     {"uint64", K::TypeKw},
    {"float", K::TypeKw},      {"bool", K::TypeKw},      {"if", K::Keyword},
    {"else", K::Keyword},      {"for", K::Keyword},      {"while", K::Keyword},
    {"switch", K::Keyword},    {"case", K::Keyword},     {"break", K::Keyword},
    {"continue", K::Keyword},  {"new", K::Keyword},      {"null", K::Keyword},
};

TokenKind classify_word(std::string_view w) {
  // All of them are lower case, from "if" to "dictionary".
  if (w.size() < 2 || w.size() > 10 || w[0] < 'b' || w[0] > 'w') return K::Ident;
  for (const auto& [word, kind] : kReservedWords)
    if (w == word) return kind;
  return K::Ident;
}

// The end of the run of ASCII letters, digits and underscores from p on, sixteen bytes
// at a time where the machine can: a branch per byte would mispredict at the end of
// nearly every word. The source's zero padding makes the wide reads safe.
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

static_assert(std::endian::native == std::endian::little, "word loads assume little-endian order");

std::uint64_t load8(const char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// The n < 8 bytes at p as a number, the bytes after them zeroed; reads 8 bytes, which
// the padding after every text makes safe.
std::uint64_t load_tail(const char* p, std::size_t n) {
  return n == 0 ? 0 : load8(p) & (~std::uint64_t{0} >> (64 - 8 * n));
}

constexpr std::uint64_t kMix = 0x9E3779B97F4A7C15ull;

// Every byte counts, so that words alike in all but a few bytes still spread out.
LINTER_INLINE std::uint64_t hash_word(const char* p, std::size_t n, std::uint64_t head) {
  std::uint64_t h = (head ^ n) * kMix;
  if (n <= 8) return h;
  if (n <= 16) return (h ^ (h >> 29) ^ load8(p + n - 8)) * kMix;  // overlaps the head
  for (p += 8, n -= 8; n >= 8; p += 8, n -= 8) h = (h ^ (h >> 29) ^ load8(p)) * kMix;
  return (h ^ (h >> 29) ^ load_tail(p, n)) * kMix;
}

// A word's first eight bytes (zero-filled when shorter), which with its length settle
// most comparisons between words without reading the rest.
std::uint64_t word_head(const char* p, std::size_t n) { return n >= 8 ? load8(p) : load_tail(p, n); }

// The distinct words met so far, with the kind each one lexes as. Open addressing with
// linear probing, kept at most half full; a slot holds the word's head and length, so
// that a hostile script of many similar words still finds each in a probe or two.
class WordTable {
 public:
  // A script has about one distinct word for every thousand bytes, so room for one per
  // 512 bytes (a table at most half full) is mostly all it ever needs.
  WordTable(TokenStore& out, std::size_t text_size) : out_(out) {
    int bits = kInitialBits;
    while (bits < 30 && (std::size_t{1} << bits) < text_size / 256) ++bits;
    slots_.resize(std::size_t{1} << bits);
    mask_ = slots_.size() - 1;
    shift_ = 64 - bits;
  }

  struct Word {
    NameId id;
    TokenKind kind;
  };
  // The word of `length` bytes at p, interned on first sight.
  LINTER_INLINE Word intern(const char* p, std::size_t length) {
    const std::uint64_t head = word_head(p, length);
    const std::uint64_t h = hash_word(p, length, head);
    const std::uint32_t tag = tag_of(length);
    for (std::size_t k = h >> shift_;; k = (k + 1) & mask_) {
      const Slot& slot = slots_[k];
      if (slot.head == head && (slot.tag & kLengthMask) == tag &&
          (length <= 8 || matches(slot.id, p, length)))
        return {slot.id, TokenKind(slot.tag >> 24)};
      if (slot.id == kNoName) return add(p, length, head, h, tag);
    }
  }

 private:
  static constexpr int kInitialBits = 12;
  static constexpr std::uint32_t kLengthMask = 0xFFFFFF;
  static constexpr std::uint32_t kLongTag = kLengthMask;  // lengths from here on share a tag
  struct Slot {
    std::uint64_t head = 0;
    NameId id = kNoName;
    std::uint32_t tag = 0;  // kind << 24 | length (kLongTag when longer); 0 while empty
  };

  static std::uint32_t tag_of(std::size_t length) {
    return length < kLongTag ? std::uint32_t(length) : kLongTag;
  }
  // A word's second eight bytes, zero-filled when shorter.
  static std::uint64_t second_eight(const char* p, std::size_t n) {
    return n <= 8 ? 0 : n >= 16 ? load8(p + 8) : load_tail(p + 8, n - 8);
  }
  // Whether the known word `id`, longer than eight bytes, is the word at p; their heads
  // and lengths are equal already. Up to sixteen bytes the dense table of second eight
  // bytes settles it without reading the names.
  bool matches(NameId id, const char* p, std::size_t length) const {
    if (second_[id] != second_eight(p, length)) return false;
    if (length <= 16) return true;
    std::string_view known = out_.name(id);
    if (known.size() != length) return false;
    const char* a = known.data() + 16;
    const char* b = p + 16;
    std::size_t n = length - 16;
    for (; n >= 8; a += 8, b += 8, n -= 8)
      if (load8(a) != load8(b)) return false;
    return load_tail(a, n) == load_tail(b, n);
  }
  LINTER_NOINLINE Word add(const char* p, std::size_t length, std::uint64_t head,
                           std::uint64_t h, std::uint32_t tag) {
    const Word word{out_.add_name(p, length), classify_word(std::string_view(p, length))};
    second_.push_back(second_eight(p, length));
    if (++count_ * 2 > mask_ + 1) grow();
    place({head, word.id, tag | std::uint32_t(word.kind) << 24}, h);
    return word;
  }
  void place(const Slot& slot, std::uint64_t h) {
    std::size_t k = h >> shift_;
    while (slots_[k].id != kNoName) k = (k + 1) & mask_;
    slots_[k] = slot;
  }
  void grow() {
    BigVector<Slot> old((mask_ + 1) * 2);
    old.swap(slots_);
    mask_ = mask_ * 2 + 1;
    --shift_;
    for (const Slot& slot : old) {
      if (slot.id == kNoName) continue;
      std::string_view w = out_.name(slot.id);
      place(slot, hash_word(w.data(), w.size(), slot.head));
    }
  }

  TokenStore& out_;
  BigVector<Slot> slots_;
  BigVector<std::uint64_t> second_;  // by name id
  std::size_t mask_;
  int shift_;  // slot index = the hash's top bits
  std::size_t count_ = 0;
};

// One pass over the text. The common tokens (blanks, words, operators, numbers) are
// lexed in the loop itself, on locals; the rarer ones by members working on pos_ and
// count_.
class Lexer {
 public:
  Lexer(const SourceText& text, TokenStore& out, const ProblemSink& problems)
      : out_(out), problems_(problems), view_(text.view()), s_(text.data()), n_(text.size()),
        words_(out, n_) {
    // Room for as many tokens as the text has bytes, plus one: every token takes at
    // least one byte. The room is not touched until tokens fill it.
    out.kinds.resize(n_ + 1);
    out.payloads.resize(n_ + 1);
    // Room for lines of 16 bytes on average; a script of shorter lines grows it.
    out.lines.reserve(n_ / 16 + 16);
    out.start_line(0, 1);
  }

  void run();

 private:
  void warn(std::uint64_t line, std::string_view problem) { problems_(line, problem); }
  void emit(TokenKind kind, std::uint32_t payload) {
    out_.kinds[count_] = kind;
    out_.payloads[count_] = payload;
    ++count_;
  }
  void new_lines(std::uint64_t count) {
    line_ += count;
    out_.start_line(count_, line_);
  }
  // Interns the word source[begin, end): its token's kind and payload.
  LINTER_INLINE std::pair<TokenKind, std::uint32_t> word(std::size_t begin, std::size_t end) {
    const WordTable::Word w = words_.intern(s_ + begin, end - begin);
    if (is_name_kind(w.kind)) return {w.kind, w.id};
    return {w.kind, w.kind == K::BoolLit ? out_.add_offset(begin) : 0};
  }

  void block_comment();
  void string_literal();
  void directive();
  void non_ascii();
  void unknown(std::size_t length);

  TokenStore& out_;
  const ProblemSink& problems_;
  std::string_view view_;
  const char* s_;  // view_'s bytes, followed by zeros
  std::size_t n_;
  WordTable words_;
  std::size_t count_ = 0;
  std::size_t pos_ = 0;
  std::uint64_t line_ = 1;
};

void Lexer::run() {
  const char* const s = s_;
  TokenKind* const kinds = out_.kinds.data();
  std::uint32_t* const payloads = out_.payloads.data();
  // Position and count live in locals here: every token store could otherwise alias
  // the members, and the compiler would reload them after each.
  std::size_t pos = pos_;
  std::size_t count = count_;
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
  for (;;) {
    const unsigned char c = static_cast<unsigned char>(s[pos]);
    switch (kClasses[c]) {
      case kSpace:
        // Blanks come in runs: indentation, alignment.
        do ++pos;
        while (kClasses[static_cast<unsigned char>(s[pos])] == kSpace);
        break;
      case kNewline:
        ++pos;
        ++line_;
        out_.start_line(count, line_);
        // And a line mostly starts with its indentation.
        while (kClasses[static_cast<unsigned char>(s[pos])] == kSpace) ++pos;
        break;
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
        // Longest spelling first: `<<=` and `>>=`, then doubled or with `=`, then alone.
        const unsigned char d = static_cast<unsigned char>(s[pos + 1]);
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
        // Tokens are mostly set apart by one blank: step over it here, not in a turn of
        // the loop.
        pos += s[pos] == ' ';
        break;
      }
      case kWordStart: {
        std::size_t end = ascii_word_end(s, pos + 1);
        if (static_cast<unsigned char>(s[end]) >= 0x80) end = scan::word_end(view_, end);
        const auto [kind, payload] = word(pos, end);
        emit(kind, payload);
        pos = end;
        // A word is mostly followed by punctuation that is a token on its own, or by a
        // blank: take either here.
        if (const K lone = kLone[static_cast<unsigned char>(s[pos])]; lone != K::IntLit) {
          emit(lone, 0);
          ++pos;
        }
        pos += s[pos] == ' ';
        break;
      }
      case kDigit: {
        const std::size_t start = pos;
        do ++pos;
        while (scan::is_digit(static_cast<unsigned char>(s[pos])));
        TokenKind kind = K::IntLit;
        if (s[pos] == '.') {
          do ++pos;
          while (scan::is_digit(static_cast<unsigned char>(s[pos])));
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
          out_.kinds.resize(count);
          out_.payloads.resize(count);
          return;
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
  const std::size_t len = decode_utf8(reinterpret_cast<const unsigned char*>(s_) + pos_, cp);
  if (is_white_space(cp)) {
    pos_ += len;
  } else if (is_alphabetic(cp)) {
    const std::size_t end = scan::word_end(view_, pos_ + len);
    const auto [kind, payload] = word(pos_, end);
    emit(kind, payload);
    pos_ = end;
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
    const char c = s_[k];
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
  const std::uint64_t line = line_;
  const scan::StringScan r = scan::scan_string(view_, pos_, nullptr);
  if (!r.terminated) warn(line, "unterminated string literal");
  emit(K::StringLit, out_.add_offset(pos_));
  if (r.lines) new_lines(r.lines);
  pos_ = r.end;
}

void Lexer::directive() {
  const std::uint64_t line = line_;
  const std::size_t name_start = pos_ + 1;
  std::size_t p = name_start;
  while (p < n_) {
    const std::size_t len = scan::alpha_char(view_, p);
    if (len == 0) break;
    p += len;
  }
  const std::string_view name = view_.substr(name_start, p - name_start);
  pos_ = p;
  if (name != "include") {
    std::string problem = "unknown directive '#";
    problem.append(name);
    problem += '\'';
    warn(line, problem);
    emit(K::Hash, 0);
    return;
  }
  if (p >= n_ || s_[p] != '"') {
    warn(line, "malformed #include");
    return;
  }
  const std::size_t path_start = p + 1;
  const std::size_t path_end = scan::include_path_end(view_, path_start);
  emit(K::Include, out_.add_offset(path_start));
  if (path_end < n_ && s_[path_end] == '"') {
    pos_ = path_end + 1;
  } else {
    warn(line, "unterminated #include path");
    pos_ = path_end;
  }
}

}  // namespace

TokenList tokenize(SourceText text, const ProblemSink& problems) {
  if (text.size() > kMaxScriptSize) throw std::length_error("script too large to lint");
  TokenStore store;
  Lexer(text, store, problems).run();
  return TokenList(std::move(text), std::move(store));
}

TokenList tokenize(std::string_view text, const ProblemSink& problems) {
  return tokenize(SourceText(text), problems);
}

}  // namespace linter
