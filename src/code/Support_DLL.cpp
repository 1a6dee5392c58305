#include "code/Support_DLL.h"

#include <filesystem>
#include <memory>

#include "base/Support_File.h"
#include "base/Support_Path.h"
#include "base/Support_Trace.h"
#include "code/Variable_Class.h"
#include "platform/Platform_Main.h"

namespace {

namespace fs = std::filesystem;

struct RLoaded {
  std::string name;  // as first given; matched without regard to case
  void *handle = nullptr;
};

struct RTable {
  std::vector<RExternalFunction> functions;
  // One load per library name, unloaded once by external_free or at the end.
  std::vector<RLoaded> loaded;
  std::string gameFolder;
  std::string programFolder;
};

RTable &Table() {
  static RTable t;
  return t;
}

bool EndsWithNoCase(const std::string &s, std::string_view tail) {
  return s.size() >= tail.size() && EqualNoCase(std::string_view(s).substr(s.size() - tail.size()), tail);
}

bool IsFile(const std::string &path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

std::string Absolute(const std::string &path) {
  std::error_code ec;
  const fs::path p = fs::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

RLoaded *FindLoaded(const std::string &dll) {
  for (RLoaded &l : Table().loaded)
    if (EqualNoCase(l.name, dll)) return &l;
  return nullptr;
}

}  // namespace

void External_SetFolders(const std::string &gameFolder, const std::string &programFolder) {
  Table().gameFolder = gameFolder;
  Table().programFolder = programFolder;
}

std::vector<std::string> External_LibraryCandidates(const std::string &dll) {
  std::string name = dll;
  for (char &c : name)
    if (c == '\\') c = '/';
  std::vector<std::string> out{name};
  if (EndsWithNoCase(name, ".dll")) {
    const size_t slash = name.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
    const std::string base = name.substr(dir.size(), name.size() - dir.size() - 4);
    if (!base.empty()) {
      out.push_back(dir + base + ".so");
      out.push_back(dir + "lib" + base + ".so");
    }
  }
  return out;
}

std::string External_ResolveLibrary(const std::string &dll) {
  if (dll.empty()) return {};
  const std::vector<std::string> candidates = External_LibraryCandidates(dll);
  if (PathHasDirectory(dll)) {
    for (const std::string &c : candidates) {
      const std::string path = TranslatePath(c);
      if (IsFile(path)) return Absolute(path);
    }
    return {};
  }
  const RTable &t = Table();
  const std::string folders[] = {".", t.gameFolder, TempDirPath(), t.programFolder};
  for (const std::string &folder : folders) {
    if (folder.empty()) continue;
    for (const std::string &c : candidates) {
      const std::string path = TranslatePath(folder + "/" + c);
      if (IsFile(path)) return Absolute(path);
    }
  }
  // A library installed on the system ("libm.so.6") is found by the
  // system's own search; a Windows name, or what it maps to, never is.
  if (candidates.front().find(".so") != std::string::npos) return candidates.front();
  return {};
}

int32_t ExternalDefine(const std::string &dll, const std::string &name, int32_t calltype, bool stringResult,
                       const int32_t *argtypes, int32_t count) {
  if (count < 0 || count > RExternalFunction::kMaxArgs) return -1;
  RExternalFunction f;
  f.argnumb = count;
  for (int32_t i = 0; i < count; ++i)
    f.argtype[static_cast<size_t>(i)] =
        argtypes[i] == RExternalFunction::kString ? RExternalFunction::kString : RExternalFunction::kReal;
  if (count > 4)
    for (int32_t i = 0; i < count; ++i)
      if (f.argtype[static_cast<size_t>(i)] == RExternalFunction::kString) return -1;

  IDynamicLibraries &libs = PlatformLibraries();
  RTable &t = Table();
  RLoaded *loaded = FindLoaded(dll);
  if (loaded == nullptr) {
    const std::string path = External_ResolveLibrary(dll);
    std::string error;
    void *handle = nullptr;
    if (path.empty()) error = "no library file of that name in the working directory, the game's folder, "
                              "the temporary directory or the program's folder";
    else handle = libs.Open(path, error);
    if (handle == nullptr) {
      Trace("LoadLibrary on DLL " + dll + " failed - error - " + error);
      return -1;
    }
    t.loaded.push_back({dll, handle});
    loaded = &t.loaded.back();
  }
  void *addr = libs.Symbol(loaded->handle, name);
  if (addr == nullptr) {
    Trace("GetProcAddress for " + name + " on DLL " + dll + " failed - error - the library exports no function of that name");
    return -1;
  }
  f.dll_name = dll;
  f.dll_handle = loaded->handle;
  f.function_name = name;
  f.function_addr = addr;
  f.calltype = calltype;
  f.resulttype = stringResult ? RExternalFunction::kString : RExternalFunction::kReal;
  t.functions.push_back(std::move(f));
  return static_cast<int32_t>(t.functions.size() - 1);
}

bool ExternalCall(int32_t id, int32_t count, const RValue *args, RValue &result, std::string &error) {
  result.SetReal(0.0);
  const RExternalFunction *f = External_Get(id);
  if (f == nullptr) {
    error = kExternalUnknownId + std::to_string(id);
    return false;
  }
  if (count != f->argnumb) {
    error = kExternalWrongCount;
    return false;
  }
  if (f->dll_handle == nullptr || f->function_addr == nullptr) {
    error = kExternalUnloaded;
    return false;
  }
  // Texts go as their UTF-8 bytes, ended by a zero, held here for the call;
  // a real where text is declared passes empty text.
  std::array<std::string, RExternalFunction::kMaxArgs> texts;
  std::array<IDynamicLibraries::RArgument, RExternalFunction::kMaxArgs> native;
  for (int32_t i = 0; i < count; ++i) {
    const auto k = static_cast<size_t>(i);
    if (f->argtype[k] == RExternalFunction::kString) {
      if (args[i].kind == RValue::kString) texts[k] = args[i].str.str();
      native[k].isText = true;
      native[k].text = texts[k].c_str();
    } else {
      native[k].real = args[i].kind == RValue::kReal ? args[i].val : 0.0;
    }
  }
  double real = 0.0;
  std::string text;
  const bool textResult = f->resulttype == RExternalFunction::kString;
  if (!PlatformLibraries().Call(f->function_addr, native.data(), count, textResult, real, text)) {
    error = kExternalWrongCount;
    return false;
  }
  if (textResult) result.SetString(RString(text));
  else result.SetReal(real);
  return true;
}

void ExternalFree(const std::string &dll) {
  RTable &t = Table();
  for (RExternalFunction &f : t.functions)
    if (EqualNoCase(f.dll_name, dll)) {
      f.dll_handle = nullptr;
      f.function_addr = nullptr;
    }
  for (auto it = t.loaded.begin(); it != t.loaded.end(); ++it)
    if (EqualNoCase(it->name, dll)) {
      void *handle = it->handle;
      t.loaded.erase(it);
      PlatformLibraries().Close(handle);
      return;
    }
}

void External_Reset() {
  RTable &t = Table();
  t.functions.clear();
  std::vector<RLoaded> loaded;
  loaded.swap(t.loaded);
  for (const RLoaded &l : loaded) PlatformLibraries().Close(l.handle);
}

const RExternalFunction *External_Get(int32_t id) {
  const RTable &t = Table();
  if (id < 0 || static_cast<size_t>(id) >= t.functions.size()) return nullptr;
  return &t.functions[static_cast<size_t>(id)];
}

int32_t External_Count() { return static_cast<int32_t>(Table().functions.size()); }
