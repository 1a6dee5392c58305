#include "functions/Function_Catalog.h"

#include <charconv>
#include <map>
#include <set>

// The catalogue's lines, one literal each, made by the build from
// Function_Catalog.tsv (cmake/FunctionCatalog.cmake).
extern const char *const kFunctionCatalogLines[];
extern const int32_t kFunctionCatalogLineCount;

namespace {

struct RCatalog {
  std::vector<RCatalogFunction> functions;
  std::vector<RCatalogFamily> families;
  std::vector<std::string> problems;
};

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> out;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    out.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return out;
    start = tab + 1;
  }
}

bool ReadInt(std::string_view text, int32_t &out) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size();
}

bool IsName(std::string_view s) {
  if (s.empty() || (s[0] >= '0' && s[0] <= '9')) return false;
  for (char ch : s)
    if (!((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '_')) return false;
  return true;
}

// Family names are words joined by hyphens: "maths-strings-dates".
bool IsFamilyName(std::string_view s) {
  if (s.empty()) return false;
  for (char ch : s)
    if (!((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-')) return false;
  return true;
}

// "arg14" → stem "arg", number 14; false when the name has no number.
bool SplitNumbered(std::string_view name, std::string_view &stem, int32_t &number) {
  size_t digits = name.size();
  while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') --digits;
  if (digits == name.size() || digits == 0) return false;
  stem = name.substr(0, digits);
  return ReadInt(name.substr(digits), number);
}

// The count column: a count, -1 for any number, or a range "min..max".
bool ReadCount(std::string_view text, int32_t &low, int32_t &high) {
  const size_t dots = text.find("..");
  if (dots == std::string_view::npos) {
    if (!ReadInt(text, low) || low < -1 || low > 16) return false;
    high = low;
    return true;
  }
  return ReadInt(text.substr(0, dots), low) && ReadInt(text.substr(dots + 2), high) && low >= 0 && low < high &&
         high <= 21;
}

void ReadLine(RCatalog &cat, std::string_view line, int32_t number) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty() || line[0] == '#') return;
  const std::string where = "Function_Catalog.tsv:" + std::to_string(number) + ": ";
  const std::vector<std::string_view> f = SplitTabs(line);
  if (f[0] == "@family") {
    if (f.size() != 4 || !IsFamilyName(f[1]) || f[2].empty() || f[3].empty()) {
      cat.problems.push_back(where + "a family heading is @family, name, title and sentence, separated by tabs");
      return;
    }
    cat.families.push_back(RCatalogFamily{f[1], f[2], f[3]});
    return;
  }
  if (f.size() != 5) {
    cat.problems.push_back(where + "a function line has five columns separated by tabs: name, count, family, "
                                   "arguments, meaning (it has " + std::to_string(f.size()) + ")");
    return;
  }
  RCatalogFunction fn;
  fn.c_name = f[0];
  fn.c_count = f[1];
  fn.c_family = f[2];
  fn.c_arguments = f[3];
  fn.c_meaning = f[4];
  fn.c_line = number;
  cat.functions.push_back(fn);
}

// Everything that is wrong with the lines read.
void Check(RCatalog &cat) {
  std::set<std::string_view> families;
  for (const RCatalogFamily &fam : cat.families)
    if (!families.insert(fam.fam_name).second)
      cat.problems.push_back("Function_Catalog.tsv: family " + std::string(fam.fam_name) + " has two headings");
  std::set<std::string_view> names;
  for (const RCatalogFunction &fn : cat.functions) {
    const std::string where = "Function_Catalog.tsv:" + std::to_string(fn.c_line) + ": " + std::string(fn.c_name) + ": ";
    if (!IsName(fn.c_name)) cat.problems.push_back(where + "not a function name");
    if (!names.insert(fn.c_name).second) cat.problems.push_back(where + "catalogued twice");
    if (!families.count(fn.c_family))
      cat.problems.push_back(where + "family " + std::string(fn.c_family) + " has no @family heading");
    if (fn.c_meaning.empty()) cat.problems.push_back(where + "says nothing about what it does");
    int32_t low = 0, high = 0;
    if (!ReadCount(fn.c_count, low, high)) {
      cat.problems.push_back(where + "count \"" + std::string(fn.c_count) + "\" is not a count, -1 or a range");
      continue;
    }
    RArgumentShape shape;
    std::string error;
    if (!FunctionArgumentShape(fn.c_arguments, shape, error)) {
      cat.problems.push_back(where + error);
      continue;
    }
    const std::string said = "arguments \"" + std::string(fn.c_arguments) + "\" ";
    if (low == -1) {
      if (!shape.unbounded && shape.optional == 0)
        cat.problems.push_back(where + said + "name a fixed number, but the count is -1 (any number)");
    } else if (shape.unbounded) {
      cat.problems.push_back(where + said + "go on without end, but the count is " + std::string(fn.c_count));
    } else if (shape.required != low || shape.required + shape.optional != high) {
      cat.problems.push_back(where + said + "are " + std::to_string(shape.required) +
                             (shape.optional ? " to " + std::to_string(shape.required + shape.optional) : "") +
                             ", but the count is " + std::string(fn.c_count));
    }
  }
}

RCatalog ReadCatalog(const std::vector<std::string_view> &lines) {
  RCatalog cat;
  for (size_t i = 0; i < lines.size(); ++i) ReadLine(cat, lines[i], static_cast<int32_t>(i + 1));
  Check(cat);
  return cat;
}

const RCatalog &BuiltIn() {
  static const RCatalog cat = [] {
    std::vector<std::string_view> lines;
    for (int32_t i = 0; i < kFunctionCatalogLineCount; ++i) lines.emplace_back(kFunctionCatalogLines[i]);
    return ReadCatalog(lines);
  }();
  return cat;
}

}  // namespace

int32_t RCatalogFunction::RegisteredCount() const {
  int32_t low = 0, high = 0;
  if (!ReadCount(c_count, low, high)) return -100;
  return low == high ? low : -1;
}

bool FunctionArgumentShape(std::string_view arguments, RArgumentShape &shape, std::string &error) {
  shape = RArgumentShape();
  if (arguments.empty()) return true;
  std::vector<std::string_view> tokens;
  for (size_t start = 0;;) {
    const size_t comma = arguments.find(", ", start);
    tokens.push_back(arguments.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 2;
  }
  std::set<std::string_view> seen;  // a name given twice names nothing
  bool inBrackets = false, bracketsClosed = false;
  std::string_view previous;  // the name before a "..."
  bool afterDots = false;
  for (size_t i = 0; i < tokens.size(); ++i) {
    std::string_view t = tokens[i];
    bool opens = false, closes = false;
    if (!t.empty() && t.front() == '[') {
      opens = true;
      t.remove_prefix(1);
    }
    if (!t.empty() && t.back() == ']') {
      closes = true;
      t.remove_suffix(1);
    }
    if (opens) {
      if (inBrackets || bracketsClosed) {
        error = "only one bracketed group of optional arguments is allowed";
        return false;
      }
      inBrackets = true;
    }
    if (!inBrackets && bracketsClosed) {
      error = "required arguments cannot follow the optional ones";
      return false;
    }
    int32_t &counted = inBrackets ? shape.optional : shape.required;
    if (t == "...") {
      if (previous.empty() || afterDots) {
        error = "\"...\" must follow an argument name";
        return false;
      }
      afterDots = true;
      if (i + 1 == tokens.size()) shape.unbounded = true;
    } else if (!IsName(t)) {
      error = "\"" + std::string(tokens[i]) + "\" is not an argument name";
      return false;
    } else if (!seen.insert(t).second) {
      error = "argument \"" + std::string(t) + "\" is named twice";
      return false;
    } else if (afterDots) {
      // "arg1, ..., arg8": the names between the two stand for the numbers
      // between them.
      std::string_view stemA, stemB;
      int32_t a = 0, b = 0;
      if (!SplitNumbered(previous, stemA, a) || !SplitNumbered(t, stemB, b) || stemA != stemB || b - a < 2 ||
          b - a > 64) {  // both numbers are digits only, so the difference cannot overflow
        error = "\"" + std::string(previous) + ", ..., " + std::string(t) + "\" is not a numbered run of names";
        return false;
      }
      counted += b - a;
      afterDots = false;
      previous = t;
    } else {
      ++counted;
      previous = t;
    }
    if (closes) {
      if (!inBrackets) {
        error = "\"]\" without \"[\"";
        return false;
      }
      inBrackets = false;
      bracketsClosed = true;
    }
  }
  if (inBrackets) {
    error = "\"[\" without \"]\"";
    return false;
  }
  if (afterDots && !shape.unbounded) {
    error = "\"...\" must end the list or stand between two numbered names";
    return false;
  }
  return true;
}

const std::vector<RCatalogFunction> &FunctionCatalog() { return BuiltIn().functions; }
const std::vector<RCatalogFamily> &FunctionCatalogFamilies() { return BuiltIn().families; }

const RCatalogFunction *FunctionCatalogFind(std::string_view name) {
  static const std::map<std::string_view, const RCatalogFunction *> index = [] {
    std::map<std::string_view, const RCatalogFunction *> m;
    for (const RCatalogFunction &fn : FunctionCatalog()) m.emplace(fn.c_name, &fn);
    return m;
  }();
  const auto it = index.find(name);
  return it == index.end() ? nullptr : it->second;
}

const RCatalogFamily *FunctionCatalogFamily(std::string_view name) {
  for (const RCatalogFamily &fam : FunctionCatalogFamilies())
    if (fam.fam_name == name) return &fam;
  return nullptr;
}

std::vector<std::string> FunctionCatalogProblems() { return BuiltIn().problems; }

std::vector<std::string> FunctionCatalogProblemsIn(std::string_view text) {
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t nl = text.find('\n', start);
    lines.push_back(text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start));
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return ReadCatalog(lines).problems;
}
