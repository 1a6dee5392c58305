#include "FunctionDoc.h"

#include <map>
#include <vector>

#include "code/Code_Function.h"
#include "functions/Function_Catalog.h"
#include "functions/Function_Init.h"
#include "runner/Runner_Wire.h"

namespace {

// The heading's anchor as Markdown renderers make it: lower case, spaces
// to hyphens, other punctuation dropped.
std::string Anchor(std::string_view title) {
  std::string out;
  for (char ch : title) {
    if (ch >= 'A' && ch <= 'Z') out += static_cast<char>(ch - 'A' + 'a');
    else if ((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-' || ch == '_') out += ch;
    else if (ch == ' ') out += '-';
  }
  return out;
}

}  // namespace

std::string FunctionDoc_Markdown(const std::function<bool(std::string_view)> &registered) {
  std::map<std::string_view, std::vector<const RCatalogFunction *>> byFamily;
  for (const RCatalogFunction &fn : FunctionCatalog()) byFamily[fn.c_family].push_back(&fn);
  std::map<std::string_view, bool> available;
  for (const auto &[family, functions] : byFamily) {
    bool all = true;
    for (const RCatalogFunction *fn : functions) all = all && registered(fn->c_name);
    available[family] = all;
  }

  std::string out;
  out += "# Built-in functions\n\n";
  out += "<!-- Made from src/functions/Function_Catalog.tsv by `";
  out += kFunctionDocCommand;
  out += "`: edit the catalogue, not this page. -->\n\n";
  out += "Every function a script can call, by family, with its arguments and what it\n"
         "does. The language itself is described in [language.md](language.md);\n"
         "`quillon --list-functions` prints the same arguments for the functions this\n"
         "runner has.\n\n"
         "How to read an entry:\n\n"
         "- `name(a, b)` takes exactly the arguments named, in that order.\n"
         "- `[a, b]` are arguments that may be left out from the right.\n"
         "- `a1, ..., a8` stands for the numbered arguments between the two.\n"
         "- `...` at the end means any number more; a call takes at most 16\n"
         "  arguments in all.\n"
         "- A function whose family is marked *not available yet* is part of the\n"
         "  language but not of this version of the runner: a game that calls it is\n"
         "  refused with \"Unknown function or script\" when its code is compiled.\n\n";
  out += "| family | functions | state |\n|---|---|---|\n";
  for (const RCatalogFamily &fam : FunctionCatalogFamilies()) {
    const auto it = byFamily.find(fam.fam_name);
    const size_t n = it == byFamily.end() ? 0 : it->second.size();
    out += "| [" + std::string(fam.fam_title) + "](#" + Anchor(fam.fam_title) + ") | " + std::to_string(n) + " | " +
           (available[fam.fam_name] ? "available" : "not available yet") + " |\n";
  }
  for (const RCatalogFamily &fam : FunctionCatalogFamilies()) {
    out += "\n## " + std::string(fam.fam_title) + "\n\n";
    out += std::string(fam.fam_about) + "\n\n";
    if (!available[fam.fam_name]) out += "*Not available yet.*\n\n";
    const auto it = byFamily.find(fam.fam_name);
    if (it == byFamily.end()) continue;
    for (const RCatalogFunction *fn : it->second) {
      out += "- `" + std::string(fn->c_name) + "(" + std::string(fn->c_arguments) + ")`: " +
             std::string(fn->c_meaning) + "\n";
    }
  }
  return out;
}

bool FunctionDoc_Registered(std::string_view name) {
  const int32_t id = FunctionFind(name);
  return id >= 0 && id < kFunctionScriptBase;
}

std::string FunctionDoc_FromRegistration() {
  Runner_AddFamilies();
  Function_InitAll();
  return FunctionDoc_Markdown(FunctionDoc_Registered);
}
