#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "lexer/token.h"
#include "pages.h"
#include "passes/classes.h"
#include "passes/key_map.h"
#include "passes/prescan.h"
#include "passes/warning.h"
#include "symbols/context.h"
#include "symbols/symbol_table.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace linter {

// The walk splits in two: reading the token stream (where declarations, scopes and
// uses are) and what those findings do to the symbol table and the class records.
// Nothing the first half decides depends on the tables, so on a large script the
// second half runs on its own thread, fed the findings in order as effects.
//
// What one thread writes while the other works is kept off the other's cache lines
// (the types below are aligned to lines): a line written on one core and read on the
// other moves between them every time, which costs more than the work it holds.

// Context names by id, added by the walk and read by the tables, possibly on another
// thread: entries never move once added, so an id handed over stays valid. An entry
// keeps the names' ids rather than their views, a third of the room.
class alignas(64) ContextLog {
 public:
  // Room for `capacity` entries in all; adding more throws std::length_error.
  ContextLog(const TokenList& tokens, std::size_t capacity);
  // head and tail are name ids, kNoName for none; sep is "", "::" or "::~". With no
  // head and no sep the entry is "global".
  std::uint32_t add(NameId head, std::string_view sep, NameId tail);
  ContextName operator[](std::uint32_t id) const;

 private:
  struct Entry {
    NameId head;
    NameId tail;
    std::uint8_t sep;  // index into kSeps
  };
  // Chunk c holds kChunk << c entries, from id kChunk * (2^c - 1) on: a small script
  // needs one small chunk, a large one few chunks, each large enough to be mapped in
  // huge pages (a fresh small page costs more here than filling it).
  static constexpr unsigned kChunkBits = 12;
  static constexpr std::size_t kChunk = std::size_t{1} << kChunkBits;
  static constexpr std::size_t kChunks = 33;  // enough for 2^32 entries
  Entry& entry(std::size_t id) const;
  const TokenList& tokens_;
  const std::size_t capacity_;
  std::array<PageBlock, kChunks> chunks_;
  alignas(64) std::size_t size_ = 0;  // written by the walk alone
};

// A context name by id, remembered until another id is asked for: lookups come in
// runs of one id (the scopes and declarations of one function).
class ContextCache {
 public:
  explicit ContextCache(const ContextLog& log) : log_(log) {}
  const ContextName& operator()(std::uint32_t id) {
    if (id != id_) {
      name_ = log_[id];
      id_ = id;
    }
    return name_;
  }

 private:
  const ContextLog& log_;
  std::uint32_t id_ = 0xFFFFFFFFu;
  ContextName name_;
};

// One finding of the walk, for the tables. It carries what the walk already has at
// hand (the name's id, the token), so that the tables never read the token arrays.
struct Effect {
  enum Kind : std::uint8_t {
    Read,               // a bare name read
    Write,              // a bare name assigned with `=`
    CallThenWrite,      // the same for a declared function name, first resolved as a call
    DotName,            // a name after `.`
    OpenScope,
    CloseScope,         // context: the closing frame's
    ClassHeader,        // the class name's token
    InterfaceHeader,
    SixtyFourBit,       // the type's token
    Variable,           // declarations: the name's token
    MemberVariable,
    Function,
    MemberFunction,
    Parameter,          // context: the parameter list's
    DestructorMember,   // the token of the name after `~`
  };
  Kind kind = OpenScope;
  // Scopes to open in the tables before a declaration is applied, so that it needs no
  // OpenScope effects of its own (declarations only).
  std::uint8_t opens = 0;
  NameId id = kNoName;          // the word of the token, or the name used
  std::uint32_t context = 0;    // a context id
  std::uint32_t class_ref = 0;  // the class record plus one inside a class body, else 0
  std::uint64_t token = 0;
};

// Effects handed from the walk's thread to the tables' thread: a ring of fixed size,
// published in batches so that the two threads rarely touch the same cache lines.
class alignas(64) EffectQueue {
 public:
  EffectQueue();

  // Walk side.
  void push(const Effect& e) {
    if (written_ - read_seen_ == kSize) wait_for_room();
    store(ring()[written_ & (kSize - 1)], e);
    if ((++written_ & (kBatch - 1)) == 0) publish();
  }
  void finish();
  // Either side, when it fails: the other stops waiting for it.
  void abandon() { abandoned_.store(true, std::memory_order_release); }

  // Tables side: applies every effect until the walk has finished, or either side
  // gave up.
  template <typename Apply>
  void drain(Apply&& apply) {
    const Effect* const ring = this->ring();  // apply writes memory: kept out of its reach
    std::size_t taken = 0;
    for (;;) {
      const std::size_t available = published_.load(std::memory_order_acquire);
      if (available == taken) {
        if (finished_.load(std::memory_order_acquire) &&
            published_.load(std::memory_order_acquire) == taken)
          return;
        if (!wait_for_effects(taken)) return;
        continue;
      }
      // A batch at a time, handing its room back after each: the walk may be waiting
      // for it.
      while (taken < available) {
        const std::size_t end = std::min(available, (taken | (kBatch - 1)) + 1);
        for (; taken < end; ++taken) apply(ring[taken & (kSize - 1)]);
        consumed_.store(taken, std::memory_order_release);
      }
    }
  }

 private:
  static constexpr std::size_t kSize = std::size_t{1} << 14;
  static constexpr std::size_t kBatch = 256;
  // Where it can, the walk writes effects past its caches: a line the tables' thread
  // has read, written again through the cache, must first be taken back from that
  // thread's core, and those round trips would stall the walk more than all its own
  // work.
  static void store(Effect& slot, const Effect& e) {
#if defined(__x86_64__) || defined(_M_X64)
    static_assert(sizeof(Effect) == 24 && alignof(Effect) == 8);
    long long words[3];
    std::memcpy(words, &e, sizeof words);
    long long* to = reinterpret_cast<long long*>(&slot);
    _mm_stream_si64(to, words[0]);
    _mm_stream_si64(to + 1, words[1]);
    _mm_stream_si64(to + 2, words[2]);
#else
    slot = e;
#endif
  }
  // Makes the effects written so far visible to the tables' thread.
  void publish() {
#if defined(__x86_64__) || defined(_M_X64)
    _mm_sfence();  // the streamed stores are not ordered by the release below
#endif
    published_.store(written_, std::memory_order_release);
  }
  void wait_for_room();
  bool wait_for_effects(std::size_t taken);

  Effect* ring() const { return static_cast<Effect*>(ring_.data()); }

  // Left unfilled: every slot is written before it is read. Page-backed, so that it
  // takes one fault rather than one for each of its hundred small pages.
  PageBlock ring_;
  // The walk's own counts, apart from what the other thread reads.
  alignas(64) std::size_t written_ = 0;
  std::size_t read_seen_ = 0;
  alignas(64) std::atomic<std::size_t> published_{0};
  alignas(64) std::atomic<std::size_t> consumed_{0};
  alignas(64) std::atomic<bool> finished_{false};
  std::atomic<bool> abandoned_{false};
};

struct Tables;
void read_member_fallback(Tables& t, std::size_t record, NameId name);

// The symbol table, the class records and the warnings they give, changed only by
// applying the walk's effects in order.
struct alignas(64) Tables {
  Tables(const TokenList& t, bool d, const PreScan& p, const ContextLog& c, WarningList& w,
         std::vector<std::string>& tr)
      : tokens(t), debug(d), pre(p), contexts(c), warnings(w), trace(tr), context(c) {
    table.reserve_names(t.name_count());
  }

  const TokenList& tokens;
  const bool debug;
  const PreScan& pre;
  const ContextLog& contexts;
  WarningList& warnings;
  std::vector<std::string>& trace;  // written only in debug mode, where effects apply at once
  ContextCache context;             // the context names of the reports

  SymbolTable table;
  ClassRegistry classes;
  // Where a read that fell through to the base types ended, by name id: valid when the
  // class record plus one is its stamp; then the record marked plus one, or 0 for
  // none. Within one class body no record on the base chain can gain members, so the
  // answer holds until the next class header. Record numbers fit in 32 bits: a record
  // takes tens of bytes, so 2^32 of them would not fit in memory.
  struct InheritedRead {
    std::uint32_t class_stamp = 0;
    std::uint32_t record = 0;
  };
  PageVector<InheritedRead> inherited_reads;  // sized on first use
  // The names a walk up the base chain has passed: by name id, the number of the last
  // walk that passed it.
  PageVector<std::size_t> chain_seen;
  std::size_t chain_walks = 0;
  // Where a walk up the base chain ends for a member name, once it has reached a base
  // name: key base << 32 | name, value the record marked plus one, or 0 for none. Only
  // walks that end at a member or at the top of the chain are kept: the records they
  // pass are older than the class being walked, so they gain no members, and each
  // name has one base, so any later walk that reaches that base goes the same way.
  // Without it a deep hierarchy costs its depth for every class body in it.
  KeyMap<std::uint32_t> chain_ends;
  std::vector<NameId> chain_path;  // the base names of the walk under way
  // Lines that shadowing messages name, cached by declaration token modulo the cache's
  // size: a shadowed declaration (a global, a common name) tends to be named again and
  // again, and each look-up in the token list's line table costs several cache misses
  // on a large script. An entry's where is 0 while empty (a token's has kAtToken set).
  struct KnownLine {
    std::uint64_t where = 0;
    std::uint64_t line = 0;
  };
  std::vector<KnownLine> known_lines;  // sized on first use
  std::deque<std::string> built_names;  // names no word spells (destructors), kept for views
  // The line of a symbol's where (see kAtToken).
  std::uint64_t line_of_declaration(std::uint64_t where);

  // The commonest effects are taken here, inline where the queue is drained; the rest
  // in apply_rest, whose frame (it saves every register some case needs) they would
  // otherwise pay for.
  void apply(const Effect& e) {
    switch (e.kind) {
      case Effect::Read:
        if (!table.resolve(e.id) && e.class_ref)
          read_member_fallback(*this, e.class_ref - 1, e.id);
        return;
      case Effect::Write:
        if (!table.mark_written(e.id) && e.class_ref) classes.mark_used(e.class_ref - 1, e.id);
        return;
      case Effect::DotName:
        classes.mark_read_everywhere(e.id);
        return;
      case Effect::OpenScope:
        table.open_scope();
        return;
      default:
        apply_rest(e);
    }
  }
  void apply_rest(const Effect& e);
};

// Effects of some kinds, as apply carries them out.
void record_member_variable(Tables& t, const Effect& e);
void record_member_function(Tables& t, const Effect& e);
void check_shadowing(Tables& t, const Effect& e);
void check_parameter_shadowing(Tables& t, const Effect& e);

}  // namespace linter
