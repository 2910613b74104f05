#include "passes/prescan.h"

#include <algorithm>
#include <array>
#include <bit>
#include <new>
#include <string_view>
#include <thread>

#include "side_by_side.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace linter {

namespace {

constexpr std::array<std::string_view, 44> kOperatorMethodNames = {
    "opNeg",       "opCom",       "opPreInc",    "opPreDec",    "opPostInc",    "opPostDec",
    "opAdd",       "opAdd_r",     "opSub",       "opSub_r",     "opMul",        "opMul_r",
    "opDiv",       "opDiv_r",     "opMod",       "opMod_r",     "opAnd",        "opAnd_r",
    "opOr",        "opOr_r",      "opXor",       "opXor_r",     "opShl",        "opShl_r",
    "opShr",       "opShr_r",     "opUshr",      "opUshr_r",    "op_Ushr_r",    "opAssign",
    "opAddAssign", "opSubAssign", "opMulAssign", "opDivAssign", "opModAssign",  "opAndAssign",
    "opOrAssign",  "opXorAssign", "opShlAssign", "opShrAssign", "opUshrAssign", "opIndex",
    "opEquals",    "opCmp",
};

// The methods a script never calls by name: the language calls them for its operators.
bool is_operator_method(std::string_view name) {
  if (name.size() < 4 || name[0] != 'o' || name[1] != 'p') return false;
  return std::find(kOperatorMethodNames.begin(), kOperatorMethodNames.end(), name) !=
         kOperatorMethodNames.end();
}

std::uint8_t word_flags(std::string_view word) {
  if (word == "for") return PreScan::kForWord;
  if (word == "int64" || word == "uint64") return PreScan::kSixtyFourBit;
  if (word == "final" || word == "const" || word == "override") return PreScan::kModifier;
  if (is_operator_method(word)) return PreScan::kOperatorMethod;
  return 0;
}

// What the scan does at a token, chosen by the token's kind and the next one's. Most
// pairs call for nothing.
enum Action : std::uint8_t {
  kNothing,
  kTypeHeader,    // class or interface, then a name
  kDotted,        // `.` then a name
  kTypedName,     // a type word or name, then what may start a declared name
  kKeywordParen,  // a keyword, then `(`
  // Seen only while a for header is open or a statement end is awaited.
  kOpenParen,
  kCloseParen,
  kOpenBrace,
  kCloseBrace,
  kSemicolon,
};
// kTypedName when the token after the next is `(`, else nothing: a type followed by a
// name is mostly a variable, and telling the two apart by table keeps those out of
// the slow path.
constexpr std::uint8_t kTypedNameIfParen = 0x80;

// Row: a token's kind; column: the next token's kind, or kEnd after the last token.
constexpr std::size_t kEnd = kTokenKindCount;
constexpr std::size_t kColumns = 64;
static_assert(kEnd < kColumns);
using ActionTable = std::array<std::uint8_t, kTokenKindCount * kColumns>;

constexpr std::size_t cell(TokenKind a, std::size_t b) { return std::size_t(a) * kColumns + b; }
constexpr std::size_t cell(TokenKind a, TokenKind b) { return cell(a, std::size_t(b)); }

// The pairs that matter whatever else is going on.
constexpr ActionTable idle_actions() {
  ActionTable t{};
  using K = TokenKind;
  t[cell(K::Class, K::Ident)] = kTypeHeader;
  t[cell(K::Interface, K::Ident)] = kTypeHeader;
  t[cell(K::Dot, K::Ident)] = kDotted;
  for (K type : {K::TypeKw, K::Ident}) {
    t[cell(type, K::Ident)] = kTypedNameIfParen;
    t[cell(type, K::At)] = kTypedName;
    t[cell(type, K::LBracket)] = kTypedName;
  }
  t[cell(K::Keyword, K::LParen)] = kKeywordParen;
  return t;
}

// While a for header is open its parentheses are counted; while a brace-less body
// waits for its end, braces and semicolons are. Otherwise neither matters: no `(`
// before a header can pair with a `)` inside it, and a body's end depends only on the
// braces after it.
constexpr ActionTable active_actions() {
  ActionTable t = idle_actions();
  using K = TokenKind;
  for (std::size_t next = 0; next < kColumns; ++next) {
    t[cell(K::LParen, next)] = kOpenParen;
    t[cell(K::RParen, next)] = kCloseParen;
    t[cell(K::LBrace, next)] = kOpenBrace;
    t[cell(K::RBrace, next)] = kCloseBrace;
    t[cell(K::Semicolon, next)] = kSemicolon;
  }
  return t;
}

// An action table, and whether each token needs work, by pair and by whether the token
// after the pair is `(`: the scan reads the second for every token, the first only for
// those that need work.
struct Tables {
  ActionTable actions;
  std::array<std::uint8_t, 2 * kTokenKindCount * kColumns> needs_work;
};

constexpr Tables tables(const ActionTable& actions) {
  Tables t{actions, {}};
  for (std::size_t c = 0; c < actions.size(); ++c) {
    t.needs_work[2 * c] = (actions[c] & 0x7F) != 0;
    t.needs_work[2 * c + 1] = actions[c] != 0;
  }
  return t;
}

constexpr Tables kIdle = tables(idle_actions());
constexpr Tables kActive = tables(active_actions());

// Below this many tokens a second thread costs more than it saves.
constexpr std::size_t kSplitTokens = std::size_t{1} << 20;

// Which of the 64 tokens from p on need work while nothing is open, as bits, by the
// work they need (together, what kIdle's needs_work says): found sixteen tokens at a
// time where the machine can. Reads the 66 kinds from p on.
struct IdleWork {
  std::uint64_t headers = 0;        // class X, interface X
  std::uint64_t dots = 0;           // .x
  std::uint64_t typed = 0;          // T name (, T @, T [
  std::uint64_t keyword_paren = 0;  // keyword (
};

IdleWork idle_work(const TokenKind* p) {
  using K = TokenKind;
  IdleWork w;
#if defined(__SSE2__)
  auto is = [](__m128i v, K k) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(char(k))); };
  auto bits = [](__m128i m) { return std::uint64_t(unsigned(_mm_movemask_epi8(m)) & 0xFFFFu); };
  for (int q = 3; q >= 0; --q) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * q));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * q + 1));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * q + 2));
    const __m128i name_next = is(b, K::Ident);
    const __m128i headers =
        _mm_and_si128(_mm_or_si128(is(a, K::Class), is(a, K::Interface)), name_next);
    const __m128i dots = _mm_and_si128(is(a, K::Dot), name_next);
    const __m128i typed = _mm_and_si128(
        _mm_or_si128(is(a, K::TypeKw), is(a, K::Ident)),
        _mm_or_si128(_mm_or_si128(is(b, K::At), is(b, K::LBracket)),
                     _mm_and_si128(name_next, is(c, K::LParen))));
    const __m128i keyword_paren = _mm_and_si128(is(a, K::Keyword), is(b, K::LParen));
    w.headers = w.headers << 16 | bits(headers);
    w.dots = w.dots << 16 | bits(dots);
    w.typed = w.typed << 16 | bits(typed);
    w.keyword_paren = w.keyword_paren << 16 | bits(keyword_paren);
  }
#else
  for (std::size_t j = 64; j-- > 0;) {
    const K a = p[j], b = p[j + 1], c = p[j + 2];
    const bool name_next = b == K::Ident;
    w.headers = w.headers << 1 | ((a == K::Class || a == K::Interface) && name_next);
    w.dots = w.dots << 1 | (a == K::Dot && name_next);
    w.typed = w.typed << 1 | ((a == K::TypeKw || a == K::Ident) &&
                              (b == K::At || b == K::LBracket || (name_next && c == K::LParen)));
    w.keyword_paren = w.keyword_paren << 1 | (a == K::Keyword && b == K::LParen);
  }
#endif
  return w;
}

// A declaration `T name(` whose T is an identifier: whether T is a type name is known
// only once every class header has been seen.
struct FunctionCandidate {
  NameId type;
  NameId name;
};

class Scanner {
 public:
  Scanner(const TokenList& tokens, std::uint8_t* flags, PageVector<ForHeader>& headers)
      : tokens_(tokens), n_(tokens.size()), flags_(flags), headers_(headers) {}

  // Scans from token k on until stop; returns where it stopped, which is past stop when
  // a token before it took the ones after with it.
  std::size_t run(std::size_t k, std::size_t stop) {
    const TokenList& t = tokens_;
    // Tokens before this have two after them.
    const std::size_t end = n_ >= 3 ? std::min(stop, n_ - 2) : 0;
    // Active blocks (inside for headers and brace-less bodies, whose bits are found a
    // token at a time) shrink while they keep ending early and grow back to 64 once
    // they do not, so that the bits found past an early end cost at most about as
    // much as the tokens used.
    std::size_t block = 64;
    while (k < end) {
      // The tokens of a block that need work, as bits, found without a branch per
      // token: which tokens need work follows no pattern a branch predictor could
      // learn.
      const Tables* tables = tables_;
      // While idle, a whole block's bits cost little, however early it ends; a whole
      // block ends at least two tokens before the last.
      const bool idle_block = tables == &kIdle && k + 64 <= end;
      const std::size_t block_end = idle_block ? k + 64 : std::min(k + block, end);
      if (idle_block) {
        k = idle_block_work(k, idle_work(t.kinds() + k));
        continue;
      }
      std::uint64_t todo = 0;
      for (std::size_t j = block_end; j-- > k;) {
        const std::size_t c = cell(t.kind(j), t.kind(j + 1));
        todo = todo << 1 | tables->needs_work[2 * c + (t.kind(j + 2) == TokenKind::LParen)];
      }
      std::size_t resume = block_end;
      while (todo) {
        const std::size_t j = k + std::size_t(std::countr_zero(todo));
        todo &= todo - 1;
        const std::uint8_t a = tables->actions[cell(t.kind(j), t.kind(j + 1))];
        const std::size_t last = act(a == kTypedNameIfParen ? kTypedName : Action(a), j);
        // Having stepped over a token or switched tables, the bits are stale.
        if (last != j || tables_ != tables) {
          resume = last + 1;
          break;
        }
      }
      block = resume < block_end ? std::max<std::size_t>(block / 2, 4)
                                 : std::min<std::size_t>(block * 2, 64);
      k = resume;
    }
    for (; k < stop; ++k) {
      std::uint8_t a =
          tables_->actions[cell(t.kind(k), k + 1 < n_ ? std::size_t(t.kind(k + 1)) : kEnd)];
      // Too near the end for `T name (`.
      if (a != kNothing && a != kTypedNameIfParen) k = act(Action(a), k);
    }
    return k;
  }

  // No header open and no body waiting for its end: what follows can be scanned
  // without knowing anything from before.
  bool idle() const { return open_headers_.empty() && waiting_.empty(); }

  PageVector<FunctionCandidate> functions;
  // `class A : B`: a pair if B turns out to be a type name. The names' ids are taken
  // while their tokens are at hand; read afterwards, each would be a cache miss.
  struct ImplementationCandidate {
    NameId class_id;
    NameId base_id;
  };
  PageVector<ImplementationCandidate> implementations;

 private:
  // The work of an idle block of 64 tokens from k; returns where scanning goes on. Up
  // to its first `for (`, which makes the scan active, only flags and candidate lists
  // change, so each kind of work is done in a loop of its own: one switch on the
  // action per token would mispredict most of the time. Header candidates keep their
  // order, the rest gives the same flags in any order.
  std::size_t idle_block_work(std::size_t k, const IdleWork& w) {
    std::uint64_t first_for = 0;  // as a bit
    for (std::uint64_t b = w.keyword_paren; b; b &= b - 1) {
      if (flags_[tokens_.name_id(k + std::size_t(std::countr_zero(b)))] & PreScan::kForWord) {
        first_for = b & -b;
        break;
      }
    }
    const std::uint64_t before = first_for ? first_for - 1 : ~std::uint64_t{0};
    for (std::uint64_t b = w.dots & before; b; b &= b - 1)
      flags_[tokens_.name_id(k + std::size_t(std::countr_zero(b)) + 1)] |= PreScan::kDotName;
    for (std::uint64_t b = w.headers & before; b; b &= b - 1)
      act(kTypeHeader, k + std::size_t(std::countr_zero(b)));
    for (std::uint64_t b = w.typed & before; b; b &= b - 1)
      act(kTypedName, k + std::size_t(std::countr_zero(b)));
    if (!first_for) return k + 64;
    return act(kKeywordParen, k + std::size_t(std::countr_zero(first_for))) + 1;
  }

  // Handles token k; returns the last token it has dealt with.
  std::size_t act(Action a, std::size_t k) {
    switch (a) {
      case kNothing:
        break;
      case kTypeHeader:
        flags_[tokens_.name_id(k + 1)] |= PreScan::kTypeName;
        if (tokens_.kind(k) == TokenKind::Class && k + 3 < n_ &&
            tokens_.kind(k + 2) == TokenKind::Colon && tokens_.kind(k + 3) == TokenKind::Ident)
          implementations.push_back({tokens_.name_id(k + 1), tokens_.name_id(k + 3)});
        break;
      case kDotted:
        flags_[tokens_.name_id(k + 1)] |= PreScan::kDotName;
        break;
      case kTypedName: {
        std::size_t j = tokens_.kind(k + 1) == TokenKind::Ident ? k + 1 : name_position(tokens_, k);
        if (j + 1 >= n_ || tokens_.kind(j) != TokenKind::Ident ||
            tokens_.kind(j + 1) != TokenKind::LParen)
          break;
        if (tokens_.kind(k) == TokenKind::TypeKw) {
          flags_[tokens_.name_id(j)] |= PreScan::kFunctionName;
        } else {
          functions.push_back({tokens_.name_id(k), tokens_.name_id(j)});
        }
        break;
      }
      case kKeywordParen:
        if (!(flags_[tokens_.name_id(k)] & PreScan::kForWord)) break;
        // Until its `)` turns up the header runs past the end.
        open_headers_.push_back({headers_.size(), parens_});
        headers_.push_back({k, false, n_ + 1});
        ++parens_;
        activate();
        return k + 1;
      case kOpenParen:
        ++parens_;
        break;
      case kCloseParen:
        if (open_headers_.empty()) break;
        if (--parens_ == open_headers_.back().parens) {
          close_header(open_headers_.back().header, k);
          open_headers_.pop_back();
          activate();
        }
        break;
      case kOpenBrace:
        ++depth_;
        break;
      case kCloseBrace:
        statement_end(k);
        --depth_;
        break;
      case kSemicolon:
        statement_end(k + 1);
        break;
    }
    return k;
  }

  void close_header(std::size_t h, std::size_t close) {
    ForHeader& header = headers_[h];
    const std::size_t body = close + 1;
    if (body >= n_) {
      header.inline_end = body;
    } else if (tokens_.kind(body) == TokenKind::LBrace) {
      header.block = true;
    } else {
      header.inline_end = n_;  // unless a statement end follows
      if (waiting_.empty()) depth_ = 0;
      waiting_.push_back({depth_, h});
    }
  }

  // A `;` (end past it) or `}` (end at it) at the depth of the bodies last waiting
  // ends them. Leaving a depth ends the bodies waiting at it, so a body waits only at
  // or below the current depth and those to end are on top.
  void statement_end(std::uint64_t end) {
    while (!waiting_.empty() && waiting_.back().depth == depth_) {
      headers_[waiting_.back().header].inline_end = end;
      waiting_.pop_back();
    }
    activate();
  }

  void activate() {
    tables_ = open_headers_.empty() && waiting_.empty() ? &kIdle : &kActive;
  }

  struct OpenHeader {
    std::size_t header;
    std::int64_t parens;  // parentheses open before its `(`
  };
  struct Waiting {
    std::int64_t depth;
    std::size_t header;
  };

  const TokenList& tokens_;
  const std::size_t n_;
  std::uint8_t* flags_;
  PageVector<ForHeader>& headers_;
  const Tables* tables_ = &kIdle;
  PageVector<OpenHeader> open_headers_;
  PageVector<Waiting> waiting_;
  // Parentheses and braces are counted only while they matter, relative to where
  // counting started; braces can go below zero on a stray `}`.
  std::int64_t parens_ = 0;
  std::int64_t depth_ = 0;
};

}  // namespace

// One pass over the tokens gathers everything; what depends on names declared later
// (function names after a class-typed return type, implemented interfaces) is kept as
// candidates and settled once the pass has seen every class header.
PreScan prescan(const TokenList& tokens) {
  PreScan pre;
  const std::size_t names = tokens.name_count();
  pre.name_flags.resize(names);
  for (NameId id = 0; id < names; ++id) pre.name_flags[id] = word_flags(tokens.name(id));

  Scanner scan(tokens, pre.name_flags.data(), pre.for_headers);
  const std::size_t n = tokens.size();
  if (n < kSplitTokens || std::thread::hardware_concurrency() < 2) {
    scan.run(0, n);
  } else {
    // The second half is scanned on another thread on the guess that nothing is open
    // at the split, which holds unless a for header or a brace-less body spans it.
    const std::size_t split = n / 2;
    PageVector<std::uint8_t> rest_flags(pre.name_flags);
    PageVector<ForHeader> rest_headers;
    Scanner rest(tokens, rest_flags.data(), rest_headers);
    bool rest_ok = false;
    std::size_t k = 0;
    side_by_side(
        [&] {
          try {
            rest.run(split, n);
            rest_ok = true;
          } catch (const std::bad_alloc&) {
            // this half is scanned again below
          }
        },
        [&] { k = scan.run(0, split); });
    if (rest_ok && k == split && scan.idle()) {
      for (NameId id = 0; id < names; ++id) pre.name_flags[id] |= rest_flags[id];
      pre.for_headers.insert(pre.for_headers.end(), rest_headers.begin(), rest_headers.end());
      scan.functions.insert(scan.functions.end(), rest.functions.begin(), rest.functions.end());
      scan.implementations.insert(scan.implementations.end(), rest.implementations.begin(),
                                  rest.implementations.end());
    } else {
      scan.run(k, n);
    }
  }

  std::uint8_t* flags = pre.name_flags.data();
  for (const FunctionCandidate& c : scan.functions)
    if (flags[c.type] & PreScan::kTypeName) flags[c.name] |= PreScan::kFunctionName;

  for (const Scanner::ImplementationCandidate& c : scan.implementations) {
    if (!(flags[c.base_id] & PreScan::kTypeName)) continue;
    pre.implementations.push_back(
        {tokens.name(c.class_id), tokens.name(c.base_id), c.class_id, c.base_id});
  }
  if (!pre.implementations.empty()) {
    // Group the implementations by class name, keeping their order within a name.
    PageVector<std::uint32_t>& start = pre.implementations_start_;
    start.assign(names + 1, 0);
    for (const Implementation& p : pre.implementations) ++start[p.class_id + 1];
    for (std::size_t id = 0; id < names; ++id) start[id + 1] += start[id];
    PageVector<std::uint32_t> fill(start.begin(), start.end() - 1);
    pre.implementations_by_class_.resize(pre.implementations.size());
    for (std::size_t k = 0; k < pre.implementations.size(); ++k)
      pre.implementations_by_class_[fill[pre.implementations[k].class_id]++] = std::uint32_t(k);
  }
  return pre;
}

}  // namespace linter
