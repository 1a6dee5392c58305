// quillon-fndoc FILE: writes the function reference made from the catalogue
// into FILE (docs/functions.md). Exit status 1 when the catalogue has faults
// or the file cannot be written.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "FunctionDoc.h"
#include "base/Support_Stream.h"
#include "functions/Function_Catalog.h"

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: quillon-fndoc FILE\n");
    return 2;
  }
  const std::vector<std::string> problems = FunctionCatalogProblems();
  for (const std::string &p : problems) std::fprintf(stderr, "%s\n", p.c_str());
  if (!problems.empty()) return 1;
  const std::string text = FunctionDoc_FromRegistration();
  try {
    CStream out;
    out.Write(text.data(), static_cast<int64_t>(text.size()));
    out.SaveToFile(argv[1]);
  } catch (const std::exception &e) {
    std::fprintf(stderr, "quillon-fndoc: cannot write %s: %s\n", argv[1], e.what());
    return 1;
  }
  return 0;
}
