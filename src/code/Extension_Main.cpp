#include "code/Extension_Main.h"

#include "base/Support_File.h"
#include "base/Support_Stream.h"
#include "base/Support_Trace.h"

RExtensionList g_Extensions;

namespace {
constexpr int32_t kSectionVersion = 700;
}

TExtensionLoad Extension_Load(CStream &stream) {
  g_Extensions.clear();
  if (stream.ReadInteger() != kSectionVersion) return TExtensionLoad::WrongVersion;
  const int32_t count = stream.ReadInteger();
  for (int32_t i = 0; i < count; ++i) {
    auto pkg = std::make_unique<CExtensionPackage>();
    if (!pkg->LoadFromStream(stream)) return TExtensionLoad::PackageFailed;
    const std::string &temp = TempDirPath();
    if (!temp.empty() && !pkg->WriteFiles(temp))
      Trace("Extension package " + pkg->s_name + ": not every file could be written to the temporary directory");
    g_Extensions.push_back(std::move(pkg));
  }
  return TExtensionLoad::Ok;
}

void Extension_SaveSection(CStream &stream, const RExtensionList &list) {
  stream.WriteInteger(kSectionVersion);
  stream.WriteInteger(static_cast<int32_t>(list.size()));
  for (const auto &p : list) p->SaveToStream(stream);
}

int32_t Extension_FindFunction(std::string_view name) {
  for (const auto &pkg : g_Extensions)
    for (const auto &file : pkg->s_includes)
      for (const auto &fn : file->s_functions)
        if (fn->s_name == name) return fn->s_id;
  return -1;
}

int32_t Extension_FunctionArgCount(int32_t id) {
  for (const auto &pkg : g_Extensions)
    for (const auto &file : pkg->s_includes)
      for (const auto &fn : file->s_functions)
        if (fn->s_id == id) return fn->s_argcount;
  return -100;
}
