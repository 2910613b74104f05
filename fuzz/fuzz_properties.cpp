// Builds a well-formed script from the fuzz bytes (each byte picks one production of a
// small grammar of classes, interfaces, functions, declarations, reads, writes, member
// accesses, for loops and blocks) and checks properties of the program's result that
// hold for every such script. One input in four instead builds a script from a smaller
// grammar whose whole report is predicted and compared byte for byte. A violation traps.
// FUZZ_PRINT_SCRIPT=1 writes the script (and a differing report) to stderr.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "checks.h"
#include "driver.h"

namespace {

class Choices {
 public:
  Choices(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  // A number below n; 0 once the bytes run out, which always picks a terminating choice.
  unsigned pick(unsigned n) {
    if (size_ == 0) return 0;
    --size_;
    return *data_++ % n;
  }
  bool empty() const { return size_ == 0; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

template <std::size_t N>
std::string_view one_of(Choices& c, const std::string_view (&words)[N]) {
  return words[c.pick(N)];
}

// Small pools so that names collide: shadowing, reuse across scopes and members.
constexpr std::string_view kVars[] = {"a", "b", "x", "hp", "count", "i", "f", "move",
                                      "größe", "名前", "speed"};
constexpr std::string_view kFuncs[] = {"f", "g", "main", "update", "move", "draw"};
constexpr std::string_view kClasses[] = {"Player", "Enemy", "Shape"};
constexpr std::string_view kInterfaces[] = {"Drawable", "Shape", "Mover"};
constexpr std::string_view kTypes[] = {"int",    "double", "string", "int64",  "uint64",
                                       "bool",   "void",   "Player", "Enemy",  "Drawable",
                                       "uint8",  "dictionary", "Shape", "Unknown"};
constexpr std::string_view kMembers[] = {"hp", "x", "draw", "move", "opAdd", "opFoo",
                                         "speed", "op_Ushr_r", "名前"};
constexpr std::string_view kModifiers[] = {"const", "override", "final"};
constexpr std::string_view kBinaryOps[] = {" + ", " - ", " * ", " < ", " == ", " && ",
                                           " << ", " >= ", " != ", " % "};

constexpr std::string_view kOperatorMethods[] = {
    "opNeg", "opCom", "opPreInc", "opPreDec", "opPostInc", "opPostDec", "opAdd", "opAdd_r",
    "opSub", "opSub_r", "opMul", "opMul_r", "opDiv", "opDiv_r", "opMod", "opMod_r",
    "opAnd", "opAnd_r", "opOr", "opOr_r", "opXor", "opXor_r", "opShl", "opShl_r",
    "opShr", "opShr_r", "opUshr", "opUshr_r", "op_Ushr_r", "opAssign", "opAddAssign",
    "opSubAssign", "opMulAssign", "opDivAssign", "opModAssign", "opAndAssign", "opOrAssign",
    "opXorAssign", "opShlAssign", "opShrAssign", "opUshrAssign", "opIndex", "opEquals",
    "opCmp"};

class Generator {
 public:
  explicit Generator(Choices& c) : c_(c) {}

  std::string script() {
    for (int items = 0; items < 24 && !c_.empty() && out_.size() < 16384; ++items) item();
    return out_;
  }

  const std::set<std::string>& dot_names() const { return dot_names_; }
  std::size_t braces() const { return braces_; }

 private:
  void emit(std::string_view s) { out_ += s; }
  void open_brace() {
    emit("{");
    ++braces_;
    gap();
  }
  void close_brace() {
    gap();
    emit("}");
  }
  // Statements share lines or not, so that several warnings can fall on one line.
  void gap() {
    switch (c_.pick(4)) {
      case 0: emit("\n"); break;
      case 1: emit(" "); break;
      case 2: emit("\n\t"); break;
      default: emit("\r\n"); break;
    }
  }
  bool budget() const { return out_.size() < 16384 && depth_ < 6; }

  void type() {
    emit(one_of(c_, kTypes));
    switch (c_.pick(6)) {
      case 1: emit("@"); break;
      case 2: emit("[]"); break;
      case 3: emit("[][]"); break;
      default: break;
    }
    emit(" ");
  }

  void dot_access() {
    emit(one_of(c_, kVars));
    int n = 1 + static_cast<int>(c_.pick(2));
    for (int k = 0; k < n; ++k) {
      std::string_view m = one_of(c_, kMembers);
      emit(".");
      emit(m);
      dot_names_.insert(std::string(m));
    }
  }

  void expr(int level = 0) {
    switch (level > 2 ? 0 : c_.pick(10)) {
      case 0: emit(one_of(c_, kVars)); break;
      case 1: emit(std::to_string(c_.pick(200))); break;
      case 2: emit("1.5"); break;
      case 3: emit(c_.pick(2) ? "\"s\\n\\\"q\\\"\"" : "\"multi\\\nline {\""); break;
      case 4: dot_access(); break;
      case 5:
        emit(one_of(c_, kFuncs));
        emit("(");
        if (c_.pick(2)) expr(level + 1);
        emit(")");
        break;
      case 6:
        expr(level + 1);
        emit(one_of(c_, kBinaryOps));
        expr(level + 1);
        break;
      case 7:
        emit("new ");
        emit(one_of(c_, kClasses));
        emit("()");
        break;
      case 8: emit(c_.pick(2) ? "null" : "true"); break;
      default:
        emit("(");
        expr(level + 1);
        emit(")");
        break;
    }
  }

  void params() {
    emit("(");
    unsigned n = c_.pick(4);
    for (unsigned k = 0; k < n; ++k) {
      if (k) emit(", ");
      type();
      emit(one_of(c_, kVars));
      if (c_.pick(4) == 0) {
        emit(" = ");
        expr(1);
      }
    }
    emit(")");
    if (c_.pick(4) == 0) {
      emit(" ");
      emit(one_of(c_, kModifiers));
    }
  }

  void body() {
    ++depth_;
    open_brace();
    unsigned n = c_.pick(6);
    for (unsigned k = 0; k < n && budget(); ++k) {
      statement();
      gap();
    }
    close_brace();
    --depth_;
  }

  void declaration() {
    type();
    emit(one_of(c_, kVars));
    if (c_.pick(2)) {
      emit(" = ");
      expr();
    }
    emit(";");
  }

  void for_header() {
    std::string_view v = one_of(c_, kVars);
    emit("for (");
    if (c_.pick(3)) emit("int ");
    emit(v);
    emit(" = 0; ");
    emit(v);
    emit(" < ");
    expr(1);
    emit("; ");
    emit(v);
    emit("++) ");
  }

  void simple_statement() {
    switch (c_.pick(7)) {
      case 0: declaration(); break;
      case 1:
        emit(one_of(c_, kVars));
        emit(" = ");
        expr();
        emit(";");
        break;
      case 2:
        emit(one_of(c_, kVars));
        emit(c_.pick(2) ? " += 1;" : "++;");
        break;
      case 3:
        dot_access();
        emit(c_.pick(2) ? " = 1;" : "();");
        break;
      case 4:
        emit(one_of(c_, kFuncs));
        emit("(");
        expr(1);
        emit(");");
        break;
      case 5:
        emit("return ");
        expr();
        emit(";");
        break;
      default:
        emit(one_of(c_, kClasses));
        emit(" obj(");
        expr(1);
        emit(");");
        break;
    }
  }

  void statement() {
    if (!budget()) {
      simple_statement();
      return;
    }
    switch (c_.pick(8)) {
      case 0: simple_statement(); break;
      case 1:
        for_header();
        body();
        break;
      case 2:
        for_header();  // brace-less: the loop scope ends with the one statement
        ++depth_;
        statement();
        --depth_;
        break;
      case 3:
        emit("if (");
        expr();
        emit(") ");
        body();
        if (c_.pick(2)) {
          emit(" else ");
          body();
        }
        break;
      case 4:
        emit("while (");
        expr();
        emit(") ");
        body();
        break;
      case 5: body(); break;
      case 6: emit("// a } comment { \n"); break;
      default: declaration(); break;
    }
  }

  void function(bool member) {
    type();
    emit(member ? one_of(c_, kMembers) : one_of(c_, kFuncs));
    params();
    if (c_.pick(4) == 0) {
      emit(";");
    } else {
      emit(" ");
      body();
    }
  }

  void class_body(std::string_view name, bool interface) {
    ++depth_;
    open_brace();
    unsigned n = c_.pick(7);
    for (unsigned k = 0; k < n && budget(); ++k) {
      switch (interface ? 1 + c_.pick(2) : c_.pick(6)) {
        case 0: declaration(); break;
        case 1:
          type();
          emit(one_of(c_, kMembers));
          params();
          emit(";");
          break;
        case 2:
        case 3: function(true); break;
        case 4:
          emit("~");
          emit(name);
          emit("() ");
          body();
          break;
        default:
          emit(name);
          params();
          emit(" ");
          body();
          break;
      }
      gap();
    }
    close_brace();
    --depth_;
  }

  void item() {
    switch (c_.pick(7)) {
      case 0:
      case 1: {
        std::string_view name = one_of(c_, kClasses);
        emit("class ");
        emit(name);
        if (c_.pick(2)) {
          emit(" : ");
          emit(c_.pick(2) ? one_of(c_, kInterfaces) : one_of(c_, kClasses));
          if (c_.pick(3) == 0) {
            emit(", ");
            emit(one_of(c_, kInterfaces));
          }
        }
        emit(" ");
        class_body(name, false);
        break;
      }
      case 2: {
        std::string_view name = one_of(c_, kInterfaces);
        emit("interface ");
        emit(name);
        emit(" ");
        class_body(name, true);
        break;
      }
      case 3:
      case 4: function(false); break;
      case 5: declaration(); break;
      default:
        emit(c_.pick(2) ? "/* a\n block { comment */" : "#include\"lib.bgt\"");
        break;
    }
    gap();
  }

  Choices& c_;
  std::string out_;
  std::set<std::string> dot_names_;
  std::size_t braces_ = 0;
  int depth_ = 0;
};

// Scripts of int variables, blocks and free functions with int parameters, small
// enough to predict the report in full: every declaration, read and write is simulated
// while the script is written, by the lookup, shadowing and report rules.
class ModelGenerator {
 public:
  explicit ModelGenerator(Choices& c) : c_(c) { scopes_.push_back({"global", {}}); }

  std::string script() {
    for (int k = 0; k < 48 && !c_.empty(); ++k) statement(0);
    close_scope();  // the file scope, at the end of the walk
    return out_;
  }

  // The report expected for file `file`.
  std::string expected_report(std::string_view file) {
    std::stable_sort(warnings_.begin(), warnings_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    if (warnings_.empty()) return "No warnings.\n";
    std::string r;
    for (const auto& [line, message] : warnings_)
      r += std::string(file) + ":" + std::to_string(line) + ": warning: " + message + "\n";
    return r + "\n" + std::to_string(warnings_.size()) + " warning(s)\n";
  }

 private:
  enum class Kind { Variable, Function, Parameter };
  struct Symbol {
    std::string_view name;
    std::uint64_t line;
    bool used;
    bool read;
    Kind kind;
  };
  struct Scope {
    std::string ctx;
    std::vector<Symbol> symbols;
  };
  static constexpr std::string_view kNames[] = {"a", "b", "c", "d"};
  static constexpr std::string_view kFunctions[] = {"f", "g", "main"};

  static const char* word(Kind k) {
    return k == Kind::Variable ? "variable" : k == Kind::Function ? "function" : "parameter";
  }
  void emit(std::string_view s) {
    for (char ch : s) line_ += ch == '\n';
    out_ += s;
  }
  void gap() {
    switch (c_.pick(3)) {
      case 0: emit("\n"); break;
      case 1: emit(" "); break;
      default: emit("\r\n"); break;
    }
  }
  Symbol* find(std::string_view name) {
    for (auto s = scopes_.rbegin(); s != scopes_.rend(); ++s)
      for (Symbol& v : s->symbols)
        if (v.name == name) return &v;
    return nullptr;
  }
  void read(std::string_view name) {
    if (Symbol* v = find(name)) {
      v->used = v->read = true;
    } else {
      unresolved_.insert(name);
    }
  }
  void write(std::string_view name) {
    if (Symbol* v = find(name)) v->used = true;
  }
  // The first symbol of that name outside the innermost scope, innermost first.
  const Symbol* outer(std::string_view name) const {
    for (std::size_t k = scopes_.size() - 1; k-- > 0;)
      for (const Symbol& v : scopes_[k].symbols)
        if (v.name == name) return &v;
    return nullptr;
  }
  void declare(std::string_view name, Kind kind) {
    if (const Symbol* v = outer(name))
      warnings_.emplace_back(line_, "[" + ctx_ + "] '" + std::string(name) + "' shadows " +
                                        word(v->kind) + " declared at line " +
                                        std::to_string(v->line));
    bool early = unresolved_.count(name) > 0;
    scopes_.back().symbols.push_back({name, line_, early, early, kind});
  }
  void declare_parameter(std::string_view name) {
    if (outer(name))
      warnings_.emplace_back(line_, "[" + ctx_ + "] Parameter '" + std::string(name) +
                                        "' shadows outer declaration");
    scopes_.back().symbols.push_back({name, line_, false, false, Kind::Parameter});
  }
  void close_scope() {
    const Scope& s = scopes_.back();
    for (const Symbol& v : s.symbols) {
      std::string name(v.name);
      switch (v.kind) {
        case Kind::Variable:
          if (!v.used)
            warnings_.emplace_back(v.line, "[" + s.ctx + "] Unused variable '" + name + "'");
          else if (!v.read)
            warnings_.emplace_back(v.line, "[" + s.ctx + "] Variable '" + name +
                                               "' is written but never read");
          break;
        case Kind::Function:
          if (name != "main" && !v.used)
            warnings_.emplace_back(v.line, "[" + s.ctx + "] Unused function '" + name + "'");
          break;
        case Kind::Parameter:
          if (!v.read)
            warnings_.emplace_back(v.line, "[" + s.ctx + "] Parameter '" + name +
                                               "' is never read");
          break;
      }
    }
    scopes_.pop_back();
  }

  void block(int depth) {
    emit("{");
    scopes_.push_back({ctx_, {}});
    gap();
    unsigned n = c_.pick(5);
    for (unsigned k = 0; k < n; ++k) statement(depth + 1);
    gap();
    emit("}");
    close_scope();
  }

  // void F(int p, ...) followed by a body or a semicolon, at file level only.
  void function() {
    std::string_view f = kFunctions[c_.pick(3)];
    emit(c_.pick(2) ? "void " : "int ");
    emit(f);
    declare(f, Kind::Function);
    scopes_.push_back({std::string(f), {}});  // the parameter scope
    std::string outer_ctx = ctx_;
    ctx_ = std::string(f);
    emit("(");
    unsigned n = c_.pick(4);
    for (unsigned k = 0; k < n; ++k) {
      if (k) emit(", ");
      std::string_view p = kNames[c_.pick(4)];
      emit("int ");
      emit(p);
      declare_parameter(p);
    }
    emit(")");
    if (c_.pick(4) == 0) {
      emit(";");
      ctx_ = outer_ctx;
      close_scope();
      return;
    }
    emit(" ");
    block(1);
    close_scope();  // the parameter scope closes with the body
    ctx_ = outer_ctx;
  }

  void call() {
    std::string_view f = kFunctions[c_.pick(3)];
    emit(f);
    read(f);
    emit("(");
    if (c_.pick(2)) {
      std::string_view y = kNames[c_.pick(4)];
      emit(y);
      read(y);
    }
    emit(");");
  }

  // Statements without braces, each ending with its semicolon.
  void simple(unsigned choice) {
    std::string_view x = kNames[c_.pick(4)];
    std::string_view y = kNames[c_.pick(4)];
    switch (choice) {
      case 0:
        emit("int ");
        emit(x);
        declare(x, Kind::Variable);
        emit(";");
        break;
      case 1:  // the initialiser is read after the name is declared
        emit("int ");
        emit(x);
        declare(x, Kind::Variable);
        emit(" = ");
        emit(y);
        read(y);
        emit(";");
        break;
      case 2:  // only the first name of a list is declared; the second is a read
        emit("int ");
        emit(x);
        declare(x, Kind::Variable);
        emit(", ");
        emit(y);
        read(y);
        emit(";");
        break;
      case 3:
        emit(x);
        write(x);
        emit(" = 1;");
        break;
      case 4:
        emit(x);
        write(x);
        emit(" = ");
        emit(y);
        read(y);
        emit(";");
        break;
      case 5:
        emit(x);
        read(x);
        emit(c_.pick(2) ? "++;" : " += 2;");
        break;
      case 6: emit(x); read(x); emit(" == 1;"); break;
      default: call(); break;
    }
  }

  // The header's scope closes right after the body, braced or not; brace-less loops
  // nested in one another all close where the innermost statement ends.
  void for_loop(int depth) {
    std::string_view v = kNames[c_.pick(4)];
    std::string_view n = kNames[c_.pick(4)];
    emit("for (");
    scopes_.push_back({ctx_, {}});
    if (c_.pick(3)) {
      emit("int ");
      emit(v);
      declare(v, Kind::Variable);
    } else {
      emit(v);
      write(v);
    }
    emit(" = 0; ");
    emit(v);
    read(v);
    emit(" < ");
    emit(n);
    read(n);
    emit("; ");
    emit(v);
    read(v);
    emit("++) ");
    unsigned body = c_.pick(10);
    if (body < 4) {
      block(depth);
    } else if (body == 9 && depth < 5) {
      for_loop(depth + 1);
    } else {
      simple(c_.pick(8));
    }
    close_scope();
  }

  void statement(int depth) {
    unsigned choice = c_.pick(depth == 0 ? 13 : depth < 5 ? 11 : 8);
    if (choice < 8) simple(choice);
    else if (choice < 10) block(depth);
    else if (choice == 10) for_loop(depth);
    else function();
    gap();
  }

  Choices& c_;
  std::string out_;
  std::string ctx_ = "global";
  std::uint64_t line_ = 1;
  std::vector<Scope> scopes_;
  std::set<std::string_view> unresolved_;
  std::vector<std::pair<std::uint64_t, std::string>> warnings_;
};

constexpr std::string_view kFile = "props.bgt";

struct Run {
  int status;
  std::string out;
  std::string err;
};

Run lint(const std::string& text, bool debug) {
  linter::Output out;
  linter::Output err;
  int status = linter::lint_text(kFile, text, debug, out, err);
  return {status, out.text(), err.text()};
}

std::size_t count_of(std::string_view text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string_view::npos;
       at = text.find(what, at + 1))
    ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace fuzzcheck;
  // One input in four drives the exact model instead of the rich grammar.
  if (size > 0 && data[0] % 4 == 0) {
    Choices choices(data + 1, size - 1);
    ModelGenerator model(choices);
    const std::string text = model.script();
    if (std::getenv("FUZZ_PRINT_SCRIPT")) std::fwrite(text.data(), 1, text.size(), stderr);
    Run plain = lint(text, false);
    require(plain.status == 0 && plain.err.empty(), "model script: status or stderr");
    if (plain.out != model.expected_report(kFile)) {
      if (std::getenv("FUZZ_PRINT_SCRIPT"))
        std::fprintf(stderr, "\n--- expected\n%s--- actual\n%s",
                     model.expected_report(kFile).c_str(), plain.out.c_str());
      fail("report differs from the model");
    }
    return 0;
  }

  Choices choices(data, size);
  Generator gen(choices);
  const std::string text = gen.script();
  if (std::getenv("FUZZ_PRINT_SCRIPT")) std::fwrite(text.data(), 1, text.size(), stderr);

  Run plain = lint(text, false);
  Run again = lint(text, false);
  Run debug = lint(text, true);

  require(plain.status == 0 && debug.status == 0, "status not 0 for a well-formed script");
  require(plain.out == again.out && plain.err == again.err, "two runs differ");
  require(plain.err.empty(), "lexical warnings for a well-formed script");

  const std::uint64_t max_line = line_count(text);
  Report p = parse_report(plain.out, kFile, max_line);
  Report d = parse_report(debug.out, kFile, max_line);
  require(p.lines.size() == d.lines.size(), "warning count differs with --debug");
  require(p.lines == d.lines, "warning lines differ with --debug");
  std::vector<std::string_view> script_lines = split_lines(text);
  for (std::size_t k = 0; k < p.messages.size(); ++k) {
    check_debug_message(p.messages[k], d.messages[k]);
    check_name_on_line(p.messages[k], p.lines[k], script_lines);

    Message m = split_message(p.messages[k]);
    if (m.skeleton == "Unused function '%'")
      require(m.slots[0] != "main", "main reported as unused");
    bool member_report = m.skeleton == "Unused member function: '%'" ||
                         m.skeleton == "Unused member variable: '%'" ||
                         m.skeleton == "Member variable '%' is written but never read";
    if (member_report) {
      require(!gen.dot_names().count(std::string(m.slots[0])),
              "member named after a '.' reported");
      for (std::string_view op : kOperatorMethods)
        require(m.skeleton != "Unused member function: '%'" || m.slots[0] != op,
                "operator method reported as unused");
    }
  }

  check_debug_dumps(debug.err);
  // Balanced braces: one push and one pop per brace pair, never a stray close.
  require(count_of(debug.err, "  PUSH Block  ") == gen.braces(), "PUSH Block count");
  require(count_of(debug.err, "  POP  Block  ") == gen.braces(), "POP Block count");
  return 0;
}
