#include "code/Extension_Main.h"

#include <array>
#include <unordered_map>

#include "base/Support_File.h"
#include "base/Support_Path.h"
#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Main.h"
#include "code/Support_DLL.h"
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

namespace {

// What preparation made of one function, found by its id.
struct RExtensionRuntime {
  const CExtensionPackage *package = nullptr;
  const CExtensionFunction *function = nullptr;
  int32_t externalId = -1;      // the external table's id of a library function
  bool isScript = false;        // a function of a script-language file
  std::unique_ptr<CCode> code;  // its compiled source, when it had one
};

// Keyed by id: the ids come from the game data, and a table as long as the
// largest of them would let one wild id claim any amount of memory.
std::unordered_map<int32_t, RExtensionRuntime> s_runtime;

// The fatal report of a failed initialisation or finalisation.
bool FailFatal(const std::string &text) {
  ReportError(text, true);
  return false;
}

bool CallFunction(const CExtensionFunction &fn, CInstance *temp) {
  RValue result;
  if (Extension_Call(fn.s_id, temp, temp, 0, nullptr, result)) return true;
  std::string text = CodeErrorText();
  CodeErrorClear();
  return FailFatal(text);
}

bool RunEndFunctions(CInstance *temp, bool init) {
  for (const auto &pkg : g_Extensions)
    for (const auto &file : pkg->s_includes) {
      const std::string &name = init ? file->s_init : file->s_final;
      if (name.empty()) continue;
      if (SecureMode()) return FailFatal(kExtensionSecureMessage);
      const CExtensionFunction *found = nullptr;
      for (const auto &fn : file->s_functions)
        if (fn->s_name == name) {
          found = fn.get();
          break;
        }
      if (found == nullptr)
        return FailFatal((init ? "Could not locate initialization function " : "Could not locate finalization function ") +
                         name);
      if (!CallFunction(*found, temp)) return false;
    }
  return true;
}

}  // namespace

std::string Extension_FunctionName(int32_t id) {
  for (const auto &pkg : g_Extensions)
    for (const auto &file : pkg->s_includes)
      for (const auto &fn : file->s_functions)
        if (fn->s_id == id) return fn->s_name;
  return {};
}

bool Extension_Prepare(CInstance *temp, std::string &message) {
  s_runtime.clear();
  std::vector<std::string> names, values;
  for (const auto &pkg : g_Extensions)
    for (const auto &file : pkg->s_includes)
      for (const auto &c : file->s_constants) {
        names.push_back(c->s_name);
        values.push_back(c->s_value);
      }
  if (!names.empty() && !ConstantsDefine(names, values, temp, message)) return false;

  for (const auto &pkg : g_Extensions)
    for (const auto &file : pkg->s_includes)
      for (const auto &fn : file->s_functions) {
        // Ids are unique across packages; should two share one, the first
        // keeps it, as the name lookups find the first too.
        auto [it, fresh] = s_runtime.try_emplace(fn->s_id);
        if (!fresh) continue;
        RExtensionRuntime &rt = it->second;
        rt.package = pkg.get();
        rt.function = fn.get();
        rt.isScript = file->s_kind == CExtensionFile::kScriptSource;
      }

  const std::string &temp_dir = TempDirPath();
  for (const auto &pkg : g_Extensions)
    for (const auto &file : pkg->s_includes) {
      if (file->s_kind == CExtensionFile::kLibrary && !SecureMode() && !temp_dir.empty()) {
        const std::string path = temp_dir + "/" + pkg->s_folder + "/" + file->s_filename;
        for (const auto &fn : file->s_functions) {
          RExtensionRuntime &rt = s_runtime[fn->s_id];
          if (rt.function != fn.get() || fn->s_argcount < 0) continue;
          std::array<int32_t, CExtensionFunction::kArgTypes> types{};
          for (size_t k = 0; k < types.size(); ++k) types[k] = fn->s_argtype[k] == 1 ? 1 : 0;
          rt.externalId = ExternalDefine(path, fn->s_extname, fn->s_kind == 12 ? 0 : 1, fn->s_returntype == 1,
                                         types.data(), fn->s_argcount);
        }
      } else if (file->s_kind == CExtensionFile::kScriptSource) {
        for (const auto &fn : file->s_functions) {
          RExtensionRuntime &rt = s_runtime[fn->s_id];
          if (rt.function != fn.get() || fn->s_script.empty()) continue;
          auto code = std::make_unique<CCode>(fn->s_script, false);
          CodeErrorClear();
          if (!code->Compile()) {
            ReportError("COMPILATION ERROR in extension package " + pkg->s_name + "\r" + CodeErrorText(), true);
            CodeErrorClear();
            return false;
          }
          fn->s_script.clear();
          rt.code = std::move(code);
        }
      }
    }
  return true;
}

bool Extension_Initialize(CInstance *temp) { return RunEndFunctions(temp, true); }
bool Extension_Finalize(CInstance *temp) { return RunEndFunctions(temp, false); }

bool Extension_Call(int32_t id, CInstance *self, CInstance *other, int argc, RValue *args, RValue &result) {
  static RValue none[1];
  if (args == nullptr) argc = 0, args = none;
  const auto it = s_runtime.find(id);
  if (it == s_runtime.end()) {
    CodeErrorSet("Unknown extension function.");
    return false;
  }
  if (SecureMode()) {
    CodeErrorSet(kExtensionSecureMessage);
    return false;
  }
  RExtensionRuntime &rt = it->second;
  if (!rt.isScript) {
    std::string error;
    if (!ExternalCall(rt.externalId, argc, args, result, error))
      ReportActionError(error, false);
    return true;
  }
  if (!rt.code) return true;
  if (CallCodeAsScript(*rt.code, rt.function->s_name, self, other, result, args, argc)) return true;
  CodeErrorPrefix("In extension function " + rt.function->s_name + ":\r");
  return false;
}

void Extension_ResetRuntime() { s_runtime.clear(); }
