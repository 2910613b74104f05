#include "lexer/lexer.h"

#include <array>
#include <bit>
#include <cstring>

#include "lexer/scan.h"

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

static_assert(std::endian::native == std::endian::little, "hash_word assumes little-endian loads");

// Hashes n bytes at p; bytes up to limit may be read (and ignored) past the word, so
// that the tail is one load rather than a loop.
std::uint64_t hash_word(const char* p, std::size_t n, const char* limit) {
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
  while (n >= 8) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    h = (h ^ v) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 31;
    p += 8;
    n -= 8;
  }
  std::uint64_t v = 0;
  if (n > 0) {
    if (limit - p >= 8) {
      std::memcpy(&v, p, 8);
      v &= ~std::uint64_t{0} >> (64 - 8 * n);  // the same value as the byte loop below
    } else {
      for (std::size_t k = 0; k < n; ++k) v |= std::uint64_t(static_cast<unsigned char>(p[k])) << (8 * k);
    }
  }
  h = (h ^ v) * 0x94D049BB133111EBull;
  return h ^ (h >> 29);
}

// The distinct words met so far, with the kind each one lexes as. Open addressing
// with linear probing, kept at most half full.
class WordTable {
 public:
  explicit WordTable(TokenList& out) : out_(out), slots_(std::size_t{1} << 12, kNoName) {}

  // The id of the word at offset (interned on first sight) and its token kind.
  NameId intern(std::string_view source, std::size_t offset, std::size_t length, TokenKind& kind) {
    const char* p = source.data() + offset;
    std::uint64_t h = hash_word(p, length, source.data() + source.size());
    std::size_t mask = slots_.size() - 1;
    for (std::size_t k = h & mask;; k = (k + 1) & mask) {
      NameId id = slots_[k];
      if (id == kNoName) break;
      if (hashes_[id] == std::uint32_t(h)) {
        std::string_view known = out_.name(id);
        if (known.size() == length && std::memcmp(known.data(), p, length) == 0) {
          kind = kinds_[id];
          return id;
        }
      }
    }
    NameId id = out_.add_name(offset, length);
    kind = classify_word(source.substr(offset, length));
    kinds_.push_back(kind);
    hashes_.push_back(std::uint32_t(h));
    if (hashes_.size() * 2 > slots_.size()) {
      grow();
    } else {
      place(id, h);
    }
    return id;
  }

 private:
  void place(NameId id, std::uint64_t h) {
    std::size_t mask = slots_.size() - 1;
    std::size_t k = h & mask;
    while (slots_[k] != kNoName) k = (k + 1) & mask;
    slots_[k] = id;
  }
  void grow() {
    slots_.assign(slots_.size() * 2, kNoName);
    const char* limit = out_.source().data() + out_.source().size();
    for (NameId id = 0; id < hashes_.size(); ++id) {
      std::string_view w = out_.name(id);
      place(id, hash_word(w.data(), w.size(), limit));
    }
  }

  TokenList& out_;
  std::vector<NameId> slots_;
  std::vector<std::uint32_t> hashes_;  // low bits of each word's hash, by id
  std::vector<TokenKind> kinds_;       // by id
};

class Lexer {
 public:
  Lexer(TokenList& out, Output& diagnostics)
      : out_(out), diag_(diagnostics), s_(out.source()), n_(s_.size()), words_(out) {}

  void run();

 private:
  void warn(std::uint64_t line, std::string_view problem) {
    diag_ << "Warning [line " << static_cast<unsigned long long>(line) << "]: " << problem
          << '\n';
  }
  void emit(TokenKind kind, std::size_t offset, std::uint64_t line) {
    out_.push(kind, offset, line);
  }
  unsigned char at(std::size_t i) const { return static_cast<unsigned char>(s_[i]); }

  void block_comment();
  void string_literal();
  void directive();
  void number();
  void word(std::size_t end);
  void operator_token();
  void unknown(std::size_t length);

  TokenList& out_;
  Output& diag_;
  std::string_view s_;
  std::size_t n_;
  WordTable words_;
  std::size_t pos_ = 0;
  std::uint64_t line_ = 1;
};

void Lexer::run() {
  while (pos_ < n_) {
    unsigned char c = at(pos_);
    switch (kClasses[c]) {
      case kSpace:
        // Indentation comes in runs.
        do ++pos_;
        while (pos_ < n_ && kClasses[at(pos_)] == kSpace);
        break;
      case kNewline:
        ++pos_;
        ++line_;
        break;
      case kSlash:
        if (pos_ + 1 < n_ && s_[pos_ + 1] == '*') {
          block_comment();
        } else if (pos_ + 1 < n_ && s_[pos_ + 1] == '/') {
          const void* lf = std::memchr(s_.data() + pos_, '\n', n_ - pos_);
          pos_ = lf ? std::size_t(static_cast<const char*>(lf) - s_.data()) : n_;
        } else {
          operator_token();
        }
        break;
      case kQuote:
        string_literal();
        break;
      case kHash:
        directive();
        break;
      case kDigit:
        number();
        break;
      case kWordStart: {
        std::size_t end = pos_ + 1;
        while (end < n_ && kClasses[at(end)] <= kDigit) ++end;
        if (end < n_ && at(end) >= 0x80) end = scan::word_end(s_, end);
        word(end);
        break;
      }
      case kOperator:
        operator_token();
        break;
      case kNonAscii: {
        char32_t cp;
        std::size_t len = decode_utf8(reinterpret_cast<const unsigned char*>(s_.data()) + pos_, cp);
        if (is_white_space(cp)) {
          pos_ += len;
        } else if (is_alphabetic(cp)) {
          word(scan::word_end(s_, pos_ + len));
        } else {
          unknown(len);
        }
        break;
      }
      default:
        unknown(1);
        break;
    }
  }
}

void Lexer::unknown(std::size_t length) {
  std::string problem = "unknown character '";
  problem.append(s_.substr(pos_, length));
  problem += '\'';
  warn(line_, problem);
  pos_ += length;
}

void Lexer::block_comment() {
  // The input's last character is never examined, so "*/" must start before it.
  for (std::size_t k = pos_ + 2; k + 1 < n_; ++k) {
    char c = s_[k];
    if (c == '\n') {
      ++line_;
    } else if (c == '*' && s_[k + 1] == '/') {
      pos_ = k + 2;
      return;
    }
  }
  warn(line_, "unterminated block comment");
  pos_ = n_;
}

void Lexer::string_literal() {
  std::uint64_t line = line_;
  scan::StringScan r = scan::scan_string(s_, pos_, nullptr);
  if (!r.terminated) warn(line, "unterminated string literal");
  emit(TokenKind::StringLit, pos_, line);
  line_ += r.lines;
  pos_ = r.end;
}

void Lexer::directive() {
  std::uint64_t line = line_;
  std::size_t hash = pos_;
  std::size_t name_start = pos_ + 1;
  std::size_t p = name_start;
  while (p < n_) {
    std::size_t len = scan::alpha_char(s_, p);
    if (len == 0) break;
    p += len;
  }
  std::string_view name = s_.substr(name_start, p - name_start);
  pos_ = p;
  if (name != "include") {
    std::string problem = "unknown directive '#";
    problem.append(name);
    problem += '\'';
    warn(line, problem);
    emit(TokenKind::Hash, hash, line);
    return;
  }
  if (p >= n_ || s_[p] != '"') {
    warn(line, "malformed #include");
    return;
  }
  std::size_t path_start = p + 1;
  std::size_t path_end = scan::include_path_end(s_, path_start);
  emit(TokenKind::Include, path_start, line);
  if (path_end < n_ && s_[path_end] == '"') {
    pos_ = path_end + 1;
  } else {
    warn(line, "unterminated #include path");
    pos_ = path_end;
  }
}

void Lexer::number() {
  std::size_t start = pos_;
  std::size_t p = scan::digits_end(s_, pos_);
  TokenKind kind = TokenKind::IntLit;
  if (p < n_ && s_[p] == '.') {
    p = scan::digits_end(s_, p + 1);
    kind = TokenKind::DoubleLit;
  }
  emit(kind, start, line_);
  pos_ = p;
}

void Lexer::word(std::size_t end) {
  TokenKind kind;
  NameId id = words_.intern(s_, pos_, end - pos_, kind);
  bool named = kind == TokenKind::Ident || kind == TokenKind::TypeKw || kind == TokenKind::Keyword;
  out_.push(kind, named ? id : pos_, line_);
  pos_ = end;
}

void Lexer::operator_token() {
  using K = TokenKind;
  char c = s_[pos_];
  char d = pos_ + 1 < n_ ? s_[pos_ + 1] : '\0';
  if ((c == '<' || c == '>') && d == c && pos_ + 2 < n_ && s_[pos_ + 2] == '=') {
    emit(c == '<' ? K::LShiftEq : K::RShiftEq, pos_, line_);
    pos_ += 3;
    return;
  }
  K two = K::IntLit;  // IntLit marks "no two-character operator"
  switch (c) {
    case '!': if (d == '=') two = K::BangEq; break;
    case '=': if (d == '=') two = K::EqEq; break;
    case '<': two = d == '<' ? K::LShift : d == '=' ? K::LtEq : two; break;
    case '>': two = d == '=' ? K::GtEq : d == '>' ? K::RShift : two; break;
    case '+': two = d == '+' ? K::PlusPlus : d == '=' ? K::PlusEq : two; break;
    case '-': two = d == '-' ? K::MinusMinus : d == '=' ? K::MinusEq : two; break;
    case '*': if (d == '=') two = K::StarEq; break;
    case '/': if (d == '=') two = K::SlashEq; break;
    case '%': if (d == '=') two = K::PercentEq; break;
    case '&': two = d == '&' ? K::And : d == '=' ? K::AndEq : two; break;
    case '|': two = d == '|' ? K::Or : d == '=' ? K::OrEq : two; break;
    case '^': if (d == '=') two = K::XorEq; break;
    default: break;
  }
  if (two != K::IntLit) {
    emit(two, pos_, line_);
    pos_ += 2;
    return;
  }
  K one;
  switch (c) {
    case '~': one = K::Tilde; break;
    case '!': one = K::Bang; break;
    case '=': one = K::Equals; break;
    case '<': one = K::Lt; break;
    case '>': one = K::Gt; break;
    case '+': one = K::Plus; break;
    case '-': one = K::Minus; break;
    case '*': one = K::Star; break;
    case '/': one = K::Slash; break;
    case '%': one = K::Percent; break;
    case '&': one = K::BitAnd; break;
    case '|': one = K::BitOr; break;
    case '^': one = K::BitXor; break;
    case '{': one = K::LBrace; break;
    case '}': one = K::RBrace; break;
    case '(': one = K::LParen; break;
    case ')': one = K::RParen; break;
    case '[': one = K::LBracket; break;
    case ']': one = K::RBracket; break;
    case ';': one = K::Semicolon; break;
    case ',': one = K::Comma; break;
    case '.': one = K::Dot; break;
    case ':': one = K::Colon; break;
    case '@': one = K::At; break;
    default:
      unknown(1);
      return;
  }
  emit(one, pos_, line_);
  pos_ += 1;
}

}  // namespace

TokenList tokenize(std::string text, Output& diagnostics) {
  TokenList tokens(std::move(text));
  // Scripts average well over two bytes a token; reserving avoids regrowth copies, and
  // capacity never written to costs no memory.
  tokens.reserve(tokens.source().size() / 2 + 16);
  Lexer(tokens, diagnostics).run();
  return tokens;
}

}  // namespace linter
