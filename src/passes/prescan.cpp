#include "passes/prescan.h"

#include <algorithm>

namespace linter {

std::size_t name_position(const TokenList& tokens, std::size_t t) {
  std::size_t j = t + 1;
  if (tokens.is(t + 1, TokenKind::At)) j = t + 2;
  while (tokens.is(j, TokenKind::LBracket) && tokens.is(j + 1, TokenKind::RBracket) &&
         j + 2 < tokens.size())
    j += 2;
  return j;
}

namespace {

bool is_for_keyword(const TokenList& tokens, std::size_t i) {
  return tokens.kind(i) == TokenKind::Keyword && tokens.text(i) == "for";
}

// Fills for_headers. A header ends at the `)` matching the `(` after `for`; a body
// without braces ends at the first `;` or unmatched `}` at the brace depth it starts at.
void scan_for_headers(const TokenList& tokens, std::vector<ForHeader>& headers) {
  const std::size_t n = tokens.size();
  struct Pending {
    std::size_t keyword;
    std::size_t body;  // n + 1 when the header never closes
  };
  std::vector<Pending> pending;
  std::vector<std::size_t> open;  // indices of unmatched `(`
  for (std::size_t k = 0; k < n; ++k) {
    TokenKind kind = tokens.kind(k);
    if (kind == TokenKind::LParen) {
      open.push_back(k);
    } else if (kind == TokenKind::RParen && !open.empty()) {
      std::size_t p = open.back();
      open.pop_back();
      if (p > 0 && is_for_keyword(tokens, p - 1)) pending.push_back({p - 1, k + 1});
    }
  }
  for (std::size_t p : open) {
    if (p > 0 && is_for_keyword(tokens, p - 1)) pending.push_back({p - 1, n + 1});
  }
  std::sort(pending.begin(), pending.end(),
            [](const Pending& a, const Pending& b) { return a.keyword < b.keyword; });

  // Statement ends: the first `;` or `}` at or after b at the brace depth of b.
  // Queries are answered in one backward sweep that remembers, per depth, the nearest
  // such token.
  std::vector<std::size_t> queries;  // indices into pending that need a statement end
  headers.resize(pending.size());
  for (std::size_t q = 0; q < pending.size(); ++q) {
    const Pending& pd = pending[q];
    ForHeader& h = headers[q];
    h.keyword = pd.keyword;
    if (pd.body < n && tokens.kind(pd.body) == TokenKind::LBrace) {
      h.block = true;
    } else if (pd.body >= n) {
      h.inline_end = pd.body;
    } else {
      queries.push_back(q);
    }
  }
  if (queries.empty()) return;
  std::sort(queries.begin(), queries.end(),
            [&](std::size_t a, std::size_t b) { return pending[a].body > pending[b].body; });

  std::int64_t depth = 0, lowest = 0, highest = 0;
  for (std::size_t k = 0; k < n; ++k) {
    TokenKind kind = tokens.kind(k);
    if (kind == TokenKind::LBrace) highest = std::max(highest, ++depth);
    if (kind == TokenKind::RBrace) lowest = std::min(lowest, --depth);
  }
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::vector<std::size_t> nearest(std::size_t(highest - lowest + 1), kNone);
  std::size_t next_query = 0;
  // depth now holds the depth after the last token; walk back to each token's depth.
  for (std::size_t k = n; k-- > 0;) {
    TokenKind kind = tokens.kind(k);
    if (kind == TokenKind::LBrace) --depth;
    if (kind == TokenKind::RBrace) ++depth;
    std::size_t slot = std::size_t(depth - lowest);  // depth before token k
    if (kind == TokenKind::Semicolon || kind == TokenKind::RBrace) nearest[slot] = k;
    while (next_query < queries.size() && pending[queries[next_query]].body == k) {
      std::size_t end = nearest[slot];
      ForHeader& h = headers[queries[next_query]];
      if (end == kNone) {
        h.inline_end = n;
      } else {
        h.inline_end = tokens.kind(end) == TokenKind::Semicolon ? end + 1 : end;
      }
      ++next_query;
    }
  }
}

}  // namespace

PreScan prescan(const TokenList& tokens) {
  PreScan pre;
  const std::size_t n = tokens.size();
  pre.name_flags.assign(tokens.name_count(), 0);
  for (std::size_t k = 0; k + 1 < n; ++k) {
    TokenKind kind = tokens.kind(k);
    if ((kind == TokenKind::Class || kind == TokenKind::Interface) &&
        tokens.kind(k + 1) == TokenKind::Ident)
      pre.name_flags[tokens.name_id(k + 1)] |= PreScan::kTypeName;
  }
  for (std::size_t k = 0; k < n; ++k) {
    if (!pre.is_type_name(tokens, k)) continue;
    std::size_t j = name_position(tokens, k);
    if (j + 1 < n && tokens.kind(j) == TokenKind::Ident && tokens.kind(j + 1) == TokenKind::LParen)
      pre.name_flags[tokens.name_id(j)] |= PreScan::kFunctionName;
  }
  for (std::size_t k = 0; k + 3 < n; ++k) {
    if (tokens.kind(k) == TokenKind::Class && tokens.kind(k + 1) == TokenKind::Ident &&
        tokens.kind(k + 2) == TokenKind::Colon && tokens.kind(k + 3) == TokenKind::Ident &&
        pre.has(tokens.name_id(k + 3), PreScan::kTypeName)) {
      pre.implementations_of[tokens.name_id(k + 1)].push_back(pre.implementations.size());
      pre.implementations.push_back(
          {tokens.text(k + 1), tokens.text(k + 3), tokens.name_id(k + 1), tokens.name_id(k + 3)});
    }
  }
  for (std::size_t k = 0; k + 1 < n; ++k) {
    if (tokens.kind(k) == TokenKind::Dot && tokens.kind(k + 1) == TokenKind::Ident)
      pre.name_flags[tokens.name_id(k + 1)] |= PreScan::kDotName;
  }
  scan_for_headers(tokens, pre.for_headers);
  return pre;
}

}  // namespace linter
