// The list of messages in docs/parameters.md must hold exactly the messages
// that the code can stop with, and the console lines it can print; the
// manual page must say the same as that list.
//
// The message texts are taken from the sources: every argument of an
// estop(...), progress_line(...) or top_line(...) call is evaluated as a
// string expression. String literals give their text; concatenation with +,
// conditional expressions, local and file-scope string variables, functions
// that return strings, and parameters through which callers pass message
// texts (helpers such as read_word(rest, item, message) that end in
// estop(message)) are followed to their literals. Anything else (a file
// name, number_text(...)) is an inserted part and becomes a placeholder,
// which the docs write as <name>.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/doc_entries.h"
#include "tests/support/listed_messages.h"
#include "tests/support/testutil.h"

namespace kivo::test {
namespace {

// ---- Tokens ---------------------------------------------------------------

enum class Kind { ident, str, chr, num, punct };

struct Token {
  Kind kind;
  std::string text;  // identifier or punctuation as written; literals decoded
  int line;
};

struct Source {
  std::string name;
  std::string text;
};

char decode_escape(char c) {
  switch (c) {
    case 'n':
      return '\n';
    case 't':
      return '\t';
    case 'r':
      return '\r';
    case '0':
      return '\0';
    default:
      return c;  // \" \' \\ \?
  }
}

bool ident_start(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool ident_char(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::vector<Token> tokenize(const std::string& s) {
  std::vector<Token> out;
  std::size_t i = 0;
  int line = 1;
  bool line_start = true;
  const auto literal = [&](char quote, std::size_t from) {
    std::string v;
    std::size_t j = from;
    while (j < s.size() && s[j] != quote) {
      if (s[j] == '\\' && j + 1 < s.size()) {
        v += decode_escape(s[j + 1]);
        j += 2;
      } else {
        if (s[j] == '\n') ++line;
        v += s[j++];
      }
    }
    i = j + 1;
    return v;
  };
  while (i < s.size()) {
    const char c = s[i];
    if (c == '\n') {
      ++line;
      ++i;
      line_start = true;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    if (c == '#' && line_start) {  // preprocessor line, with continuations
      while (i < s.size() && s[i] != '\n') {
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == '\n') {
          ++line;
          ++i;
        }
        ++i;
      }
      continue;
    }
    line_start = false;
    if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
      while (i < s.size() && s[i] != '\n') ++i;
      continue;
    }
    if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      const std::size_t end = s.find("*/", i + 2);
      for (std::size_t j = i; j < std::min(end, s.size()); ++j) line += s[j] == '\n';
      i = end == std::string::npos ? s.size() : end + 2;
      continue;
    }
    if (c == 'R' && i + 1 < s.size() && s[i + 1] == '"') {  // raw string
      const std::size_t open = s.find('(', i + 2);
      const std::string delim = ")" + s.substr(i + 2, open - i - 2) + "\"";
      const std::size_t close = s.find(delim, open);
      std::string v = s.substr(open + 1, close - open - 1);
      out.push_back({Kind::str, v, line});
      line += static_cast<int>(std::count(v.begin(), v.end(), '\n'));
      i = close + delim.size();
      continue;
    }
    if (c == '"') {
      const int at = line;
      std::string v = literal('"', i + 1);
      out.push_back({Kind::str, v, at});
      continue;
    }
    if (c == '\'') {
      const int at = line;
      std::string v = literal('\'', i + 1);
      out.push_back({Kind::chr, v, at});
      continue;
    }
    if (ident_start(c)) {
      std::size_t j = i;
      while (j < s.size() && ident_char(s[j])) ++j;
      std::string id = s.substr(i, j - i);
      // Encoding prefixes of string literals: u8"..", L"..", u"..", U"..".
      if (j < s.size() && s[j] == '"' && (id == "u8" || id == "L" || id == "u" || id == "U")) {
        i = j;
        continue;
      }
      out.push_back({Kind::ident, id, line});
      i = j;
      continue;
    }
    if (std::isdigit(static_cast<unsigned char>(c))) {
      std::size_t j = i;
      while (j < s.size() && (ident_char(s[j]) || s[j] == '.' || s[j] == '\'')) ++j;
      out.push_back({Kind::num, s.substr(i, j - i), line});
      i = j;
      continue;
    }
    static const char* const two[] = {"::", "->", "==", "!=", "<=", ">=", "&&",
                                      "||", "+=", "-=", "++", "--", "<<", ">>"};
    std::string p(1, c);
    for (const char* t : two) {
      if (s.compare(i, 2, t) == 0) p = t;
    }
    out.push_back({Kind::punct, p, line});
    i += p.size();
  }
  return out;
}

// ---- Structure: functions, their parameters and bodies --------------------

struct Function {
  std::size_t file;
  std::string name;
  std::size_t name_at;    // token index of the name
  std::size_t body_open;  // token index of "{"
  std::size_t body_close;
  std::vector<std::string> params;
};

struct File {
  std::string name;
  std::vector<Token> toks;
  std::vector<std::size_t> match;  // matching bracket of every bracket token
};

bool is(const Token& t, const char* text) {
  return (t.kind == Kind::punct || t.kind == Kind::ident) && t.text == text;
}

bool keyword_before_paren(const std::string& s) {
  static const std::set<std::string> kw = {"if",       "while",         "for",     "switch",
                                           "catch",    "return",        "sizeof",  "alignof",
                                           "decltype", "static_assert", "noexcept"};
  return kw.count(s) != 0;
}

// Strings built from literals, with '\1' for each inserted part. A set,
// since a conditional or a parameter gives one text per alternative.
using Texts = std::set<std::string>;
constexpr char kHole = '\1';
constexpr char kListed = '\2';  // a text(...) of a message list
constexpr std::size_t kMaxTexts = 4096;

struct Binding;  // the arguments of one call, while its callee is evaluated

struct Context {
  std::size_t file;
  std::size_t at;  // token index where the expression stands
  const Binding* bound = nullptr;
};

struct Binding {
  const Function* fn;
  std::vector<std::pair<std::size_t, std::size_t>> args;  // token ranges in the caller
  Context caller;
};

class Extractor {
 public:
  explicit Extractor(const std::vector<Source>& sources) {
    for (const Source& src : sources) {
      File f{src.name, tokenize(src.text), {}};
      f.match.assign(f.toks.size(), 0);
      std::vector<std::size_t> stack;
      for (std::size_t i = 0; i < f.toks.size(); ++i) {
        const Token& t = f.toks[i];
        if (t.kind != Kind::punct) continue;
        if (t.text == "(" || t.text == "[" || t.text == "{") stack.push_back(i);
        if ((t.text == ")" || t.text == "]" || t.text == "}") && !stack.empty()) {
          f.match[i] = stack.back();
          f.match[stack.back()] = i;
          stack.pop_back();
        }
      }
      // An unclosed bracket reaches to the end, so that no scan goes back.
      for (std::size_t open : stack) f.match[open] = f.toks.size() - 1;
      files_.push_back(std::move(f));
    }
    for (std::size_t fi = 0; fi < files_.size(); ++fi) find_functions(fi);
  }

  struct Found {
    std::string where;  // file:line
    Texts texts;
  };

  // Every text passed to `callee` as its argument number `arg` (from 0).
  std::vector<Found> texts_of_calls(const std::string& callee, std::size_t arg) {
    std::vector<Found> out;
    for (std::size_t fi = 0; fi < files_.size(); ++fi) {
      for (const auto& [open, close] : calls(fi, callee)) {
        const auto args = split_args(fi, open, close);
        if (arg >= args.size()) continue;
        Found found;
        found.where = files_[fi].name + ":" + std::to_string(files_[fi].toks[open].line);
        found.texts = eval(Context{fi, args[arg].first}, args[arg].first, args[arg].second);
        out.push_back(std::move(found));
      }
    }
    return out;
  }

 private:
  void find_functions(std::size_t fi) {
    const File& f = files_[fi];
    for (std::size_t i = 0; i < f.toks.size(); ++i) {
      if (!is(f.toks[i], "{")) continue;
      std::size_t j = i;
      while (j > 0 && f.toks[j - 1].kind == Kind::ident &&
             (f.toks[j - 1].text == "const" || f.toks[j - 1].text == "noexcept" ||
              f.toks[j - 1].text == "override" || f.toks[j - 1].text == "final")) {
        --j;
      }
      if (j == 0 || !is(f.toks[j - 1], ")")) continue;
      const std::size_t close_paren = j - 1;
      const std::size_t open_paren = f.match[close_paren];
      if (open_paren == 0) continue;
      const Token& name = f.toks[open_paren - 1];
      if (name.kind != Kind::ident || keyword_before_paren(name.text)) continue;
      Function fn{fi, name.text, open_paren - 1, i, f.match[i], {}};
      for (const auto& [a, b] : split_args(fi, open_paren, close_paren)) {
        std::size_t end = b;
        for (std::size_t k = a; k < b; ++k) {
          if (is(f.toks[k], "=")) {
            end = k;
            break;
          }
        }
        // The parameter's name is its last identifier, when it has a type
        // before it (an unnamed parameter is a single type).
        std::string pname;
        std::size_t idents = 0;
        for (std::size_t k = a; k < end; ++k) {
          if (f.toks[k].kind == Kind::ident) {
            pname = f.toks[k].text;
            ++idents;
          }
        }
        fn.params.push_back(idents >= 2 ? pname : std::string());
      }
      functions_.push_back(fn);
    }
  }

  // Calls of `callee` in file fi: the token ranges of their parentheses.
  std::vector<std::pair<std::size_t, std::size_t>> calls(std::size_t fi,
                                                         const std::string& callee) const {
    const File& f = files_[fi];
    std::vector<std::pair<std::size_t, std::size_t>> out;
    for (std::size_t i = 0; i + 1 < f.toks.size(); ++i) {
      if (f.toks[i].kind != Kind::ident || f.toks[i].text != callee) continue;
      if (!is(f.toks[i + 1], "(")) continue;
      if (i > 0) {
        const Token& prev = f.toks[i - 1];
        const bool declared_type =
            (prev.kind == Kind::ident && prev.text != "return" && prev.text != "else" &&
             prev.text != "case" && prev.text != "do" && prev.text != "throw") ||
            is(prev, ">") || is(prev, "]");
        if (declared_type || is(prev, ".") || is(prev, "->")) continue;
      }
      const std::size_t close = f.match[i + 1];
      // A definition: the parameter list is followed by the body.
      std::size_t k = close + 1;
      while (k < f.toks.size() && f.toks[k].kind == Kind::ident &&
             (f.toks[k].text == "const" || f.toks[k].text == "noexcept")) {
        ++k;
      }
      if (k < f.toks.size() && is(f.toks[k], "{") && i > 0 && !is(f.toks[i - 1], "=") &&
          !is(f.toks[i - 1], "(") && !is(f.toks[i - 1], ",")) {
        continue;
      }
      out.emplace_back(i + 1, close);
    }
    return out;
  }

  // The top-level comma-separated ranges between the brackets open..close.
  std::vector<std::pair<std::size_t, std::size_t>> split_args(std::size_t fi, std::size_t open,
                                                              std::size_t close) const {
    const File& f = files_[fi];
    std::vector<std::pair<std::size_t, std::size_t>> out;
    std::size_t start = open + 1;
    for (std::size_t k = open + 1; k < close; ++k) {
      const Token& t = f.toks[k];
      if (is(t, "(") || is(t, "[") || is(t, "{")) {
        k = f.match[k];
      } else if (is(t, "<") && template_close(fi, k, close) != 0) {
        k = template_close(fi, k, close);
      } else if (is(t, ",")) {
        out.emplace_back(start, k);
        start = k + 1;
      }
    }
    if (start < close) out.emplace_back(start, close);
    return out;
  }

  // The ">" closing a template argument list opened at k (as in
  // static_cast<std::int32_t>(...)), or 0 when "<" is a comparison.
  std::size_t template_close(std::size_t fi, std::size_t k, std::size_t limit) const {
    const File& f = files_[fi];
    if (k == 0 || f.toks[k - 1].kind != Kind::ident) return 0;
    int depth = 0;
    for (std::size_t j = k; j < limit; ++j) {
      const Token& t = f.toks[j];
      if (is(t, "<")) ++depth;
      if (is(t, ">")) {
        if (--depth == 0) return j;
      }
      if (is(t, ">>")) {
        depth -= 2;
        if (depth <= 0) return j;
      }
      if (is(t, ";") || is(t, "{") || is(t, ")") || is(t, "&&") || is(t, "||")) return 0;
    }
    return 0;
  }

  // The innermost function whose body holds token `at` of file fi.
  const Function* enclosing(std::size_t fi, std::size_t at) const {
    const Function* best = nullptr;
    for (const Function& fn : functions_) {
      if (fn.file == fi && fn.body_open < at && at < fn.body_close &&
          (!best || fn.body_open > best->body_open)) {
        best = &fn;
      }
    }
    return best;
  }

  static Texts hole() { return {std::string(1, kHole)}; }

  static Texts concat(const Texts& a, const Texts& b) {
    Texts out;
    for (const auto& x : a) {
      for (const auto& y : b) {
        out.insert(x + y);
        if (out.size() >= kMaxTexts) return out;
      }
    }
    return out;
  }

  // A string expression over tokens [a, b) of the context's file.
  Texts eval(const Context& ctx, std::size_t a, std::size_t b) {
    const File& f = files_[ctx.file];
    if (a >= b) return hole();
    if (++depth_ > 64) {
      --depth_;
      return hole();
    }
    Texts result;
    // Conditional: either branch.
    std::size_t question = 0;
    for (std::size_t k = a; k < b && question == 0; ++k) {
      if (is(f.toks[k], "(") || is(f.toks[k], "[") || is(f.toks[k], "{")) {
        k = f.match[k];
      } else if (is(f.toks[k], "?")) {
        question = k;
      }
    }
    if (question != 0) {
      int nested = 0;
      std::size_t colon = 0;
      for (std::size_t k = question + 1; k < b && colon == 0; ++k) {
        if (is(f.toks[k], "(") || is(f.toks[k], "[") || is(f.toks[k], "{")) {
          k = f.match[k];
        } else if (is(f.toks[k], "?")) {
          ++nested;
        } else if (is(f.toks[k], ":")) {
          if (nested == 0)
            colon = k;
          else
            --nested;
        }
      }
      if (colon != 0) {
        result = eval(ctx, question + 1, colon);
        for (const auto& t : eval(ctx, colon + 1, b)) result.insert(t);
        --depth_;
        return result;
      }
    }
    // Concatenation: the terms between top-level "+".
    result = {std::string()};
    std::size_t start = a;
    for (std::size_t k = a; k <= b; ++k) {
      if (k < b && (is(f.toks[k], "(") || is(f.toks[k], "[") || is(f.toks[k], "{"))) {
        k = f.match[k];
        continue;
      }
      if (k == b || is(f.toks[k], "+")) {
        result = concat(result, term(ctx, start, k));
        start = k + 1;
      }
    }
    --depth_;
    return result;
  }

  Texts term(const Context& ctx, std::size_t a, std::size_t b) {
    const File& f = files_[ctx.file];
    if (a >= b) return hole();
    // Adjacent string literals, or a character literal.
    bool literals = true;
    std::string text;
    for (std::size_t k = a; k < b; ++k) {
      if (f.toks[k].kind != Kind::str) literals = false;
      text += f.toks[k].text;
    }
    if (literals) return {text};
    if (b == a + 1 && f.toks[a].kind == Kind::chr) return {f.toks[a].text};
    // A parenthesized expression.
    if (is(f.toks[a], "(") && f.match[a] == b - 1) return eval(ctx, a + 1, b - 1);
    // Skip a leading namespace qualification (std::, kivo::, ::).
    std::size_t k = a;
    std::string qual;
    while (k + 1 < b && f.toks[k].kind == Kind::ident && is(f.toks[k + 1], "::")) {
      qual += f.toks[k].text + "::";
      k += 2;
    }
    if (k < b && is(f.toks[k], "::")) ++k;
    if (k >= b || f.toks[k].kind != Kind::ident) return hole();
    const std::string& name = f.toks[k].text;
    // A plain identifier.
    if (k + 1 == b) return variable(ctx, name, k);
    // A call or a functional cast: name(...) or name{...}.
    if ((is(f.toks[k + 1], "(") || is(f.toks[k + 1], "{")) && f.match[k + 1] == b - 1) {
      if (name == "string" || name == "string_view" || name == "move") {
        return eval(ctx, k + 2, b - 1);
      }
      // Library calls and the number text of a message are inserted parts.
      if (qual.rfind("std::", 0) == 0 || inserted_.count(name)) return hole();
      if (name == "text") return {std::string(1, kListed)};
      return call_result(ctx, name, k + 1, b - 1);
    }
    // An element of an array of texts: name[...].
    if (is(f.toks[k + 1], "[") && f.match[k + 1] == b - 1) return variable(ctx, name, k);
    return hole();  // member access, arithmetic, anything else: inserted
  }

  // The texts a function returns, for the call whose arguments lie between
  // the brackets open..close of the context's file.
  Texts call_result(const Context& ctx, const std::string& name, std::size_t open,
                    std::size_t close) {
    const Function* fn = find_function(name, ctx.file);
    if (!fn) return hole();
    Binding binding{fn, split_args(ctx.file, open, close), ctx};
    const Context inner{fn->file, fn->body_open, &binding};
    const File& f = files_[fn->file];
    Texts out;
    for (std::size_t k = fn->body_open + 1; k < fn->body_close; ++k) {
      if (f.toks[k].kind != Kind::ident || f.toks[k].text != "return") continue;
      std::size_t end = k + 1;
      while (end < fn->body_close && !is(f.toks[end], ";")) {
        if (is(f.toks[end], "(") || is(f.toks[end], "[") || is(f.toks[end], "{")) {
          end = f.match[end];
        }
        ++end;
      }
      for (const auto& t : eval(Context{inner.file, k, &binding}, k + 1, end)) out.insert(t);
    }
    return out.empty() ? hole() : out;
  }

  const Function* find_function(const std::string& name, std::size_t prefer_file) const {
    const Function* any = nullptr;
    for (const Function& fn : functions_) {
      if (fn.name != name) continue;
      if (fn.file == prefer_file) return &fn;
      if (!any) any = &fn;
    }
    return any;
  }

  // The texts an identifier can stand for at the context's place.
  Texts variable(const Context& ctx, const std::string& name, std::size_t at) {
    const Function* fn = enclosing(ctx.file, at);
    // A parameter: bound by the call being evaluated, or else every call.
    if (fn) {
      const auto p = std::find(fn->params.begin(), fn->params.end(), name);
      if (p != fn->params.end()) {
        const std::size_t index = static_cast<std::size_t>(p - fn->params.begin());
        if (ctx.bound && ctx.bound->fn == fn) {
          if (index >= ctx.bound->args.size()) return hole();
          const auto [a, b] = ctx.bound->args[index];
          return eval(ctx.bound->caller, a, b);
        }
        return every_call(*fn, index);
      }
    }
    // A declaration before this place in the same function, or at file scope
    // of this file, or at file scope of any other file (the headers).
    if (auto t = declared(ctx, ctx.file, name, at, fn)) return *t;
    for (std::size_t fi = 0; fi < files_.size(); ++fi) {
      if (fi == ctx.file) continue;
      if (auto t = declared(Context{fi, 0, nullptr}, fi, name, files_[fi].toks.size(), nullptr)) {
        return *t;
      }
    }
    return hole();
  }

  Texts every_call(const Function& fn, std::size_t index) {
    const auto key = std::make_pair(&fn, index);
    if (in_progress_.count(key)) return hole();
    in_progress_.insert(key);
    Texts out;
    // Calls in every file: a helper of one file may be called from others.
    for (std::size_t fi = 0; fi < files_.size(); ++fi) {
      for (const auto& [open, close] : calls(fi, fn.name)) {
        const auto args = split_args(fi, open, close);
        if (index >= args.size()) continue;
        for (const auto& t : eval(Context{fi, open}, args[index].first, args[index].second)) {
          out.insert(t);
        }
      }
    }
    in_progress_.erase(key);
    return out.empty() ? hole() : out;
  }

  // The latest declaration "... name = init;" (or "name[] = {...};") before
  // token `before`, inside function `fn` or at file scope (fn null).
  std::optional<Texts> declared(const Context& ctx, std::size_t fi, const std::string& name,
                                std::size_t before, const Function* fn) {
    const File& f = files_[fi];
    for (std::size_t k = before; k-- > 0;) {
      const Token& t = f.toks[k];
      if (t.kind != Kind::ident || t.text != name || k == 0 || k + 1 >= f.toks.size()) continue;
      const Function* owner = enclosing(fi, k);
      if (owner && owner != fn) continue;
      const Token& prev = f.toks[k - 1];
      if (!(prev.kind == Kind::ident || is(prev, ">") || is(prev, "*") || is(prev, "&"))) {
        continue;
      }
      std::size_t eq = k + 1;
      if (is(f.toks[eq], "[")) eq = f.match[eq] + 1;
      if (eq >= f.toks.size() || !is(f.toks[eq], "=")) continue;
      std::size_t end = eq + 1;
      while (end < f.toks.size() && !is(f.toks[end], ";")) {
        if (is(f.toks[end], "(") || is(f.toks[end], "[") || is(f.toks[end], "{")) {
          end = f.match[end];
        }
        ++end;
      }
      const Context here{fi, k, fi == ctx.file ? ctx.bound : nullptr};
      // An initializer list: any of its elements.
      if (is(f.toks[eq + 1], "{") && f.match[eq + 1] == end - 1) {
        Texts out;
        for (const auto& [a, b] : split_args(fi, eq + 1, end - 1)) {
          for (const auto& x : eval(here, a, b)) out.insert(x);
        }
        return out;
      }
      return eval(here, eq + 1, end);
    }
    return std::nullopt;
  }

  // Functions whose text is an inserted part: numbers, and the quoted text,
  // the reason and the hint that the lines on standard error put in.
  const std::set<std::string> inserted_ = {"number_text", "quoted_text",    "fault_reason",
                                           "row_hint",    "soundings_text", "value_text"};
  std::vector<File> files_;
  std::vector<Function> functions_;
  std::set<std::pair<const Function*, std::size_t>> in_progress_;
  int depth_ = 0;
};

// ---- Texts of the code and of the docs ---------------------------------

// A text with its inserted parts as "<>".
std::string with_holes(const std::string& t) {
  std::string out;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] == kHole) {
      if (i == 0 || t[i - 1] != kHole) out += "<>";
    } else {
      out += t[i];
    }
  }
  return out;
}

// A documented text with its placeholders (<N>, <data file name>) as "<>";
// "<=" and "< 0" are text.
std::string doc_holes(const std::string& t) {
  std::string out;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '<' && i + 1 < t.size() && std::isalpha(static_cast<unsigned char>(t[i + 1]))) {
      const std::size_t close = t.find('>', i);
      if (close != std::string::npos) {
        out += "<>";
        i = close;
        continue;
      }
    }
    out += t[i];
  }
  return out;
}

std::vector<Source> read_sources(const std::vector<std::string>& dirs) {
  std::vector<Source> out;
  for (const auto& d : dirs) {
    const std::filesystem::path dir = std::filesystem::path(KIVO_SOURCE_DIR) / d;
    std::vector<std::filesystem::path> paths;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
      const auto ext = e.path().extension();
      if (ext == ".cc" || ext == ".h") paths.push_back(e.path());
    }
    std::sort(paths.begin(), paths.end());
    for (const auto& p : paths)
      out.push_back({d + "/" + p.filename().string(), read_file(p.string())});
  }
  return out;
}

struct CodeTexts {
  std::multimap<std::string, std::string> texts;  // text -> where
  std::vector<std::string> unresolved;
};

// The texts passed to each (function, argument number), with holes as "<>".
CodeTexts code_texts(const std::vector<Source>& sources,
                     const std::vector<std::pair<std::string, std::size_t>>& callees) {
  Extractor ex(sources);
  CodeTexts out;
  for (const auto& [callee, arg] : callees) {
    for (const auto& found : ex.texts_of_calls(callee, arg)) {
      for (const auto& t : found.texts) {
        if (t.find(kListed) != std::string::npos) continue;  // checked by the lists
        const std::string text = with_holes(t);
        if (text.find_first_not_of("<> ") == std::string::npos) {
          out.unresolved.push_back(found.where + ": " + text);
        } else {
          out.texts.emplace(text, found.where);
        }
      }
    }
  }
  return out;
}

std::set<std::string> keys(const std::multimap<std::string, std::string>& m) {
  std::set<std::string> out;
  for (const auto& [k, v] : m) out.insert(k);
  return out;
}

std::string report(const std::set<std::string>& missing, const std::string& what) {
  std::string s;
  for (const auto& m : missing) s += "\n  " + what + ": " + m;
  return s;
}

// ---- The extractor on small sources ------------------------------------

std::set<std::string> texts_of(const std::string& code) {
  const auto found =
      code_texts({{"a.h", "inline constexpr const char* kName = \"kivo.in\";\n"}, {"a.cc", code}},
                 {{"estop", 0}});
  std::set<std::string> out = keys(found.texts);
  for (const auto& u : found.unresolved) out.insert("unresolved " + u);
  return out;
}

TEST(MessageExtraction, FollowsTheConstructionsOfMessageTexts) {
  struct Case {
    const char* what;
    const char* code;
    std::set<std::string> texts;
  };
  const Case cases[] = {
      {"literal", R"(void f() { estop("no column is the height"); })", {"no column is the height"}},
      {"inserted number and file name",
       R"(void f(int s) { estop("error reading line " + number_text(s) + " from \"" + p.data_file + "\""); })",
       {"error reading line <> from \"<>\""}},
      {"adjacent literals, escapes and a character",
       R"(void f() { estop("a \"b\" " "c" + std::string(1, 'x') + '.'); })",
       {"a \"b\" c<>."}},
      {"header constant through std::string",
       R"(void f() { estop(std::string("error opening \"") + kName + "\""); })",
       {"error opening \"kivo.in\""}},
      {"local variables",
       R"(void f(int k) { const std::string num = number_text(k, 8);
          const std::string col = " for column " + num;
          if (k) estop("error reading frequency" + col); })",
       {"error reading frequency for column <>"}},
      {"function returning a text",
       R"(std::string quoted() { return std::string("\"") + kName + "\""; }
          void f() { estop("error reading averaging number from " + quoted()); })",
       {"error reading averaging number from \"kivo.in\""}},
      {"message passed through helpers",
       R"(void read_word(std::string_view& rest, const Item& item, const std::string& message) {
            if (read_one(rest, item) != 0) estop(message); }
          char read_letter(std::string_view& rest, const std::string& message) {
            char c = ' '; read_word(rest, char_item(&c, 1), message); return c; }
          void g(std::string_view rest, const std::string& num) {
            const char a = read_letter(rest, "error reading inph/quad flag for column " + num);
            float v = 0; read_word(rest, real_item(v), "error reading moment" + std::string(" x")); })",
       {"error reading inph/quad flag for column <>", "error reading moment x"}},
      {"parameter inserted into a message",
       R"(void set_role(int& c, int k, const char* what) {
            if (c != 0) estop("columns " + number_text(c, 8) + " & " + number_text(k) + " are both the " + what); }
          void g(int k) { set_role(x, k, "x-coordinate"); set_role(z, k, "height"); })",
       {"columns <> & <> are both the x-coordinate", "columns <> & <> are both the height"}},
      {"conditional",
       R"(void f(int n) { estop(n == 1 ? "one" : std::string("many ") + "more"); })",
       {"one", "many more"}},
      {"conditional inside a concatenation",
       R"(void f(int n) { estop("sounding" + std::string(n == 1 ? "" : "s") + " seen"); })",
       {"sounding seen", "soundings seen"}},
      {"array of texts",
       R"(constexpr const char* kRoles[] = {"x-coordinate", "height"};
          void f(int i) { estop(std::string("no column is the ") + kRoles[i]); })",
       {"no column is the x-coordinate", "no column is the height"}},
      {"comments and the stop's own declaration are not calls",
       R"(// estop("not a message")
          /* estop("nor this") */
          [[noreturn]] void estop(std::string message) { throw Stop{std::move(message)}; }
          void f() { kivo::estop("real"); })",
       {"real"}},
      {"a text the extractor cannot follow is reported",
       R"(void f(const std::string& m) { estop(m); })",
       {"unresolved a.cc:1: <>"}},
      {"a static_cast among the arguments",
       R"(void f(std::size_t i) { estop("parameters for columns " + number_text(static_cast<std::int32_t>(i + 1), 8) + " & " + number_text(2, 9) + " are the same"); })",
       {"parameters for columns <> & <> are the same"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(texts_of(c.code), c.texts) << c.what;
  }
}

TEST(MessageExtraction, DocumentedPlaceholdersAreHoles) {
  EXPECT_EQ(doc_holes("frequency read in for column <N> <= 0"),
            "frequency read in for column <> <= 0");
  EXPECT_EQ(doc_holes("percentage error for colum <N> < 0"), "percentage error for colum <> < 0");
  EXPECT_EQ(doc_holes("data file \"<data file name>\" does not exist"),
            "data file \"<>\" does not exist");
  EXPECT_EQ(doc_holes("columns <I> & <J> are the same"), "columns <> & <> are the same");
}

// ---- The code against the docs -------------------------------------------

const std::vector<std::string> kProgramDirs = {"textio", "params", "soundings", "output",
                                               "driver", "init",   "look"};

std::string docs() {
  return read_file(std::string(KIVO_SOURCE_DIR) + "/docs/parameters.md");
}

// The code's texts with those of the message lists of the channel.
std::set<std::string> with_listed(std::set<std::string> texts, Channel channel) {
  for (const Listed& m : listed_messages()) {
    if (m.channel == channel) texts.insert(doc_holes(m.text));
  }
  return texts;
}

std::set<std::string> doc_texts(const std::vector<Entry>& entries) {
  std::set<std::string> out;
  for (const auto& e : entries) out.insert(doc_holes(e.text));
  return out;
}

// The texts of the code are those of the docs, each missing one named.
void expect_same_texts(const std::set<std::string>& in_code, const std::set<std::string>& in_docs) {
  std::set<std::string> undocumented, stale;
  std::set_difference(in_code.begin(), in_code.end(), in_docs.begin(), in_docs.end(),
                      std::inserter(undocumented, undocumented.end()));
  std::set_difference(in_docs.begin(), in_docs.end(), in_code.begin(), in_code.end(),
                      std::inserter(stale, stale.end()));
  EXPECT_TRUE(undocumented.empty() && stale.empty())
      << report(undocumented, "in the code, not in docs/parameters.md")
      << report(stale, "in docs/parameters.md, not in the code");
}

TEST(Messages, TheDocsListExactlyTheMessagesOfTheCode) {
  const CodeTexts code = code_texts(read_sources(kProgramDirs), {{"estop", 0}});
  EXPECT_TRUE(code.unresolved.empty())
      << "message texts the extractor cannot follow (teach it the construction):"
      << report({code.unresolved.begin(), code.unresolved.end()}, "at");
  const auto entries = md_entries(md_section(docs(), "Messages"));
  const std::set<std::string> in_code = with_listed(keys(code.texts), Channel::stop);
  const std::set<std::string> in_docs = doc_texts(entries);
  expect_same_texts(in_code, in_docs);
  EXPECT_EQ(entries.size(), in_docs.size()) << "a message is listed twice";
  EXPECT_GE(in_code.size(), 50u);
  for (const auto& e : entries) EXPECT_FALSE(e.phase.empty()) << e.text;
}

TEST(Messages, TheDocsListExactlyTheConsoleLinesOfTheCode) {
  const CodeTexts code =
      code_texts(read_sources(kProgramDirs), {{"progress_line", 1}, {"top_line", 1}});
  EXPECT_TRUE(code.unresolved.empty())
      << report({code.unresolved.begin(), code.unresolved.end()}, "at");
  const std::set<std::string> in_code = with_listed(keys(code.texts), Channel::console);
  const std::set<std::string> in_docs = doc_texts(md_entries(md_section(docs(), "Console output")));
  EXPECT_EQ(in_code, in_docs);
  EXPECT_TRUE(in_code.count("Stop: <>.")) << "the stop line comes from the driver";
}

TEST(Messages, TheDocsListExactlyTheLinesOnStandardError) {
  const CodeTexts code = code_texts(read_sources(kProgramDirs), {{"place", 3}});
  EXPECT_TRUE(code.unresolved.empty())
      << report({code.unresolved.begin(), code.unresolved.end()}, "at");
  const std::set<std::string> in_code = with_listed(keys(code.texts), Channel::standard_error);
  const auto entries = md_entries(md_section(docs(), "Lines on standard error"));
  const std::set<std::string> in_docs = doc_texts(entries);
  expect_same_texts(in_code, in_docs);
  EXPECT_EQ(entries.size(), in_docs.size()) << "a line is listed twice";
}

}  // namespace
}  // namespace kivo::test
