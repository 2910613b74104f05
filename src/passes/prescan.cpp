// The four pre-scans, each a plain pass over the tokens as its definition reads, and
// the ends of every `for` header's scope, worked out in one pass for the whole file.
#include "passes/prescan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace linter {

namespace {

using K = TokenKind;

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

std::uint8_t word_flags(std::string_view word) {
  if (word == "for") return PreScan::kForWord;
  if (word == "int64" || word == "uint64") return PreScan::kSixtyFourBit;
  if (word == "final" || word == "const" || word == "override") return PreScan::kModifier;
  if (word.starts_with("op") && std::find(kOperatorMethodNames.begin(), kOperatorMethodNames.end(),
                                          word) != kOperatorMethodNames.end())
    return PreScan::kOperatorMethod;
  return 0;
}

// Calls f(k) for every token k of the given kind, found a block of kinds at a time:
// the kinds sought here are rare among all tokens.
template <typename F>
void each_of_kind(std::span<const K> kind, K wanted, F f) {
  const K* const begin = kind.data();
  const K* const end = begin + kind.size();
  for (const K* p = begin; p < end; ++p) {
    p = static_cast<const K*>(std::memchr(p, int(wanted), std::size_t(end - p)));
    if (!p) return;
    f(std::size_t(p - begin));
  }
}

void find_type_names(const TokenList& t, BigVector<std::uint8_t>& flags) {
  const std::span<const K> kind = t.kinds();
  for (K header : {K::Class, K::Interface}) {
    each_of_kind(kind, header, [&](std::size_t k) {
      if (t.is(k + 1, K::Ident)) flags[t.name_id(k + 1)] |= PreScan::kTypeName;
    });
  }
}

// Pre-scans 2 and 4 each look at a token and the few after it, as does finding where
// the `for (` headers are, so one pass does all three, and what a pair of kinds calls
// for is read from one table: most pairs call for nothing.
// function_names: a type, an optional `@`, any `[]` pairs, a name and `(`, the shape of
// a function declaration. dot_names: a `.` and a name.
enum PairAction : std::uint8_t { kNothing, kDotName, kTypeThenName, kKeywordParen };

constexpr std::size_t pair(K a, K b) { return std::size_t(a) << 6 | std::size_t(b); }
static_assert(kTokenKindCount <= 64);

constexpr std::array<std::uint8_t, 64 * 64> pair_actions() {
  std::array<std::uint8_t, 64 * 64> t{};
  t[pair(K::Dot, K::Ident)] = kDotName;
  for (K type : {K::TypeKw, K::Ident})
    for (K next : {K::Ident, K::At, K::LBracket}) t[pair(type, next)] = kTypeThenName;
  t[pair(K::Keyword, K::LParen)] = kKeywordParen;
  return t;
}
constexpr auto kPairActions = pair_actions();

void find_names_and_for_keywords(const TokenList& t, BigVector<std::uint8_t>& flags,
                                 BigVector<std::size_t>& for_keywords) {
  const std::span<const K> kind = t.kinds();
  const std::span<const std::uint32_t> id = t.payloads();
  for (std::size_t k = 0; k + 1 < kind.size(); ++k) {
    switch (kPairActions[pair(kind[k], kind[k + 1])]) {
      case kNothing:
        break;
      case kDotName:
        flags[id[k + 1]] |= PreScan::kDotName;
        break;
      case kTypeThenName: {
        if (kind[k] == K::Ident && !(flags[id[k]] & PreScan::kTypeName)) break;
        const std::size_t j = name_position(t, k);
        if (j + 1 < kind.size() && kind[j] == K::Ident && kind[j + 1] == K::LParen)
          flags[id[j]] |= PreScan::kFunctionName;
        break;
      }
      case kKeywordParen:
        if (flags[id[k]] & PreScan::kForWord) for_keywords.push_back(k);
        break;
    }
  }
}

void find_implementations(const TokenList& t, PreScan& pre) {
  each_of_kind(t.kinds(), K::Class, [&](std::size_t k) {
    if (!t.is(k + 1, K::Ident) || !t.is(k + 2, K::Colon) || !t.is(k + 3, K::Ident) ||
        !pre.has(t.name_id(k + 3), PreScan::kTypeName))
      return;
    const NameId c = t.name_id(k + 1), i = t.name_id(k + 3);
    pre.implementations.push_back({t.name(c), t.name(i), c, i});
  });
  if (pre.implementations.empty()) return;
  // Group them by class name, keeping their order within a name.
  BigVector<std::uint32_t>& start = pre.implementations_start;
  start.assign(t.name_count() + 1, 0);
  for (const Implementation& p : pre.implementations) ++start[p.class_id + 1];
  for (std::size_t n = 0; n < t.name_count(); ++n) start[n + 1] += start[n];
  BigVector<std::uint32_t> fill(start.begin(), start.end() - 1);
  pre.implementations_by_class.resize(pre.implementations.size());
  for (std::size_t k = 0; k < pre.implementations.size(); ++k)
    pre.implementations_by_class[fill[pre.implementations[k].class_id]++] = std::uint32_t(k);
}

// A header ends at the `)` that matches its `(`. A body that does not start with `{`
// ends at the first `;` (just past it) or `}` (at it) met at the brace depth it started
// at. Nested headers and bodies are kept on stacks, so one pass serves them all.
// Parentheses and braces matter only while a header or a body is open, and only as
// counts relative to where it opened; between them only the next `for (` does.
void find_for_headers(const TokenList& t, std::span<const std::size_t> for_keywords,
                      BigVector<ForHeader>& headers) {
  const std::span<const K> kind = t.kinds();
  const std::size_t n = kind.size();
  struct Open {
    std::size_t header;
    std::int64_t parens;  // parentheses open before its `(`
  };
  struct Waiting {
    std::size_t header;
    std::int64_t depth;  // braces open where its body starts
  };
  BigVector<Open> open;
  BigVector<Waiting> waiting;
  std::int64_t parens = 0;
  std::int64_t depth = 0;
  auto end_statements = [&](std::uint64_t end) {
    while (!waiting.empty() && waiting.back().depth == depth) {
      headers[waiting.back().header].inline_end = end;
      waiting.pop_back();
    }
  };
  std::size_t next_for = 0;  // into for_keywords
  for (std::size_t k = 0; k < n; ++k) {
    if (open.empty() && waiting.empty()) {
      // Nothing open: go on at the next `for (`.
      if (next_for == for_keywords.size()) break;
      k = for_keywords[next_for];
    }
    if (next_for < for_keywords.size() && for_keywords[next_for] == k) {
      ++next_for;
      // Until its `)` turns up, the header runs past the end.
      open.push_back({headers.size(), parens});
      headers.push_back({k, false, n + 1});
      continue;
    }
    switch (kind[k]) {
      case K::LParen:
        ++parens;
        break;
      case K::RParen:
        --parens;
        if (!open.empty() && parens == open.back().parens) {
          ForHeader& h = headers[open.back().header];
          const std::size_t body = k + 1;
          if (body >= n) {
            h.inline_end = body;
          } else if (kind[body] == K::LBrace) {
            h.block = true;
          } else {
            h.inline_end = n;  // unless a statement end follows
            waiting.push_back({open.back().header, depth});
          }
          open.pop_back();
        }
        break;
      case K::LBrace:
        ++depth;
        break;
      case K::RBrace:
        end_statements(k);
        --depth;
        break;
      case K::Semicolon:
        end_statements(k + 1);
        break;
      default:
        break;
    }
  }
}

}  // namespace

std::span<const std::uint32_t> PreScan::implementations_of(NameId name) const {
  if (name + std::size_t{1} >= implementations_start.size()) return {};
  return std::span<const std::uint32_t>(implementations_by_class)
      .subspan(implementations_start[name],
               implementations_start[name + 1] - implementations_start[name]);
}

PreScan prescan(const TokenList& tokens) {
  PreScan pre;
  pre.name_flags.resize(tokens.name_count());
  for (NameId id = 0; id < tokens.name_count(); ++id)
    pre.name_flags[id] = word_flags(tokens.name(id));
  find_type_names(tokens, pre.name_flags);
  find_implementations(tokens, pre);
  BigVector<std::size_t> for_keywords;
  find_names_and_for_keywords(tokens, pre.name_flags, for_keywords);
  find_for_headers(tokens, for_keywords, pre.for_headers);
  return pre;
}

}  // namespace linter
