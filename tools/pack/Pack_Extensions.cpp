#include "Pack_Extensions.h"

#include <climits>
#include <filesystem>
#include <map>
#include <set>

#include "Pack_Text.h"
#include "base/Support_Path.h"

namespace fs = std::filesystem;

namespace {

// A name the game writes as a file or folder of its own: one plain entry.
bool IsPlainFileName(const std::string &name) {
  return !name.empty() && name != "." && name != ".." && !PathHasDirectory(name) &&
         name.find('\0') == std::string::npos;
}

int32_t ReadFileKind(const JsonValue &v) {
  if (v.Raw().is_string()) {
    static const std::map<std::string, int32_t> names = {
        {"library", CExtensionFile::kLibrary},
        {"script", CExtensionFile::kScriptSource},
        {"none", CExtensionFile::kNoContent},
        {"other", CExtensionFile::kOtherFile},
    };
    const auto it = names.find(v.AsString());
    if (it == names.end()) v.Fail("expected \"library\", \"script\", \"none\" or \"other\", found \"" + v.AsString() + "\"");
    return it->second;
  }
  return v.AsIntIn(1, 4);
}

// "real" or "string" (or the game's codes 2 and 1).
int32_t ReadValueType(const JsonValue &v) {
  if (v.Raw().is_string()) {
    const std::string t = v.AsString();
    if (t == "real") return 2;
    if (t == "string") return 1;
    v.Fail("expected \"real\" or \"string\", found \"" + t + "\"");
  }
  return v.AsIntIn(1, 2);
}

// A script-language source splits into functions at lines that end with a
// carriage return; the author's line ends, whatever they are, become CR LF.
std::vector<uint8_t> ScriptLineEnds(const std::vector<uint8_t> &in) {
  std::vector<uint8_t> out;
  out.reserve(in.size() + in.size() / 16);
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] == '\r' || in[i] == '\n') {
      if (in[i] == '\r' && i + 1 < in.size() && in[i + 1] == '\n') ++i;
      out.push_back('\r');
      out.push_back('\n');
    } else {
      out.push_back(in[i]);
    }
  }
  return out;
}

void ReadFunction(const JsonValue &value, int32_t &nextId, CExtensionFunction &fn) {
  JsonObject f(value);
  const JsonValue nameField = f.Require("name");
  fn.s_name = nameField.AsString();
  if (!IsValidResourceName(fn.s_name))
    nameField.Fail("\"" + fn.s_name + "\" is not a valid function name (a letter or _ first, then letters, digits or _)");
  fn.s_extname = f.String("external_name", fn.s_name);
  fn.s_kind = 12;
  if (const std::optional<JsonValue> c = f.Get("convention")) {
    const std::string conv = c->AsString();
    if (conv == "stdcall") fn.s_kind = 11;
    else if (conv != "cdecl") c->Fail("expected \"cdecl\" or \"stdcall\", found \"" + conv + "\"");
  }
  fn.s_argtype.fill(2);
  fn.s_argcount = 0;
  if (const std::optional<JsonValue> a = f.Get("arguments")) {
    if (a->Raw().is_string()) {
      if (a->AsString() != "any") a->Fail("expected an array of argument types or \"any\"");
      fn.s_argcount = -1;
    } else {
      if (a->Size() > 16) a->Fail("at most 16 arguments");
      fn.s_argcount = static_cast<int32_t>(a->Size());
      for (size_t i = 0; i < a->Size(); ++i) fn.s_argtype[i] = ReadValueType(a->At(i));
      if (fn.s_argcount > 4)
        for (size_t i = 0; i < a->Size(); ++i)
          if (fn.s_argtype[i] == 1) a->At(i).Fail("a function with more than 4 arguments takes only reals");
    }
  }
  fn.s_returntype = 2;
  if (const std::optional<JsonValue> r = f.Get("result")) fn.s_returntype = ReadValueType(*r);
  f.Done();
  fn.s_id = nextId++;
}

void ReadFile(const JsonValue &value, const ProjectFiles &files, int32_t &nextId, CExtensionFile &file) {
  JsonObject f(value);
  file.s_kind = CExtensionFile::kLibrary;
  if (const std::optional<JsonValue> k = f.Get("kind")) file.s_kind = ReadFileKind(*k);
  const std::optional<JsonValue> fileField = f.Get("file");
  const std::optional<JsonValue> nameField = f.Get("name");
  if (file.s_kind == CExtensionFile::kNoContent) {
    if (fileField) fileField->Fail("a file of kind \"none\" carries no content; give only \"name\"");
    file.s_filename = f.Require("name").AsString();
  } else {
    const JsonValue from = f.Require("file");
    file.s_data = files.ReadBytes(from);
    if (file.s_data.size() > static_cast<size_t>(INT32_MAX)) from.Fail("file too large (2 GB at most)");
    if (file.s_kind == CExtensionFile::kScriptSource) file.s_data = ScriptLineEnds(file.s_data);
    file.s_filename = nameField ? nameField->AsString() : fs::path(from.AsString()).filename().string();
  }
  if (!IsPlainFileName(file.s_filename))
    (nameField ? *nameField : f.Self()).Fail("\"" + file.s_filename + "\" is not a plain file name");
  file.s_init = f.String("init", "");
  file.s_final = f.String("final", "");
  if (const std::optional<JsonValue> fns = f.Get("functions"))
    for (size_t i = 0; i < fns->Size(); ++i) {
      auto fn = std::make_unique<CExtensionFunction>();
      ReadFunction(fns->At(i), nextId, *fn);
      file.s_functions.push_back(std::move(fn));
    }
  for (const std::string *end : {&file.s_init, &file.s_final}) {
    if (end->empty()) continue;
    bool found = false;
    for (const auto &fn : file.s_functions) found = found || fn->s_name == *end;
    if (!found) f.Require(end == &file.s_init ? "init" : "final").Fail("no function of this file is named \"" + *end + "\"");
  }
  if (const std::optional<JsonValue> cs = f.Get("constants"))
    for (size_t i = 0; i < cs->Size(); ++i) {
      JsonObject c(cs->At(i));
      auto constant = std::make_unique<CExtensionConstant>();
      const JsonValue cname = c.Require("name");
      constant->s_name = cname.AsString();
      if (!IsValidResourceName(ExtensionTrim(constant->s_name)))
        cname.Fail("\"" + constant->s_name + "\" is not a valid constant name (a letter or _ first, then letters, digits or _)");
      const JsonValue cvalue = c.Require("value");
      constant->s_value = cvalue.AsString();
      c.Done();
      files.NoteCode({cvalue.FileName() + ": " + cvalue.Path(), constant->s_value, RCodePiece::kConstant,
                      ExtensionTrim(constant->s_name)});
      file.s_constants.push_back(std::move(constant));
    }
  f.Done();
}

}  // namespace

void ReadExtensionPackages(const JsonValue &value, const ProjectFiles &files, RExtensionList &out) {
  out.clear();
  int32_t nextId = 0;
  std::set<std::string> folders;
  for (size_t i = 0; i < value.Size(); ++i) {
    JsonObject p(value.At(i));
    auto pkg = std::make_unique<CExtensionPackage>();
    const JsonValue nameField = p.Require("name");
    pkg->s_name = nameField.AsString();
    // The folder below the temporary directory; by default the package's
    // name, so that a packed game is the same from pack to pack.
    const std::optional<JsonValue> folderField = p.Get("folder");
    pkg->s_folder = folderField ? folderField->AsString() : pkg->s_name;
    const JsonValue &where = folderField ? *folderField : nameField;
    if (!IsPlainFileName(pkg->s_folder)) where.Fail("\"" + pkg->s_folder + "\" is not a plain folder name");
    if (!folders.insert(pkg->s_folder).second) where.Fail("another package uses the folder \"" + pkg->s_folder + "\"");
    if (const std::optional<JsonValue> fs_ = p.Get("files"))
      for (size_t k = 0; k < fs_->Size(); ++k) {
        auto file = std::make_unique<CExtensionFile>();
        ReadFile(fs_->At(k), files, nextId, *file);
        pkg->s_includes.push_back(std::move(file));
      }
    pkg->s_key = 0x5157 + static_cast<int32_t>(i);
    p.Done();
    out.push_back(std::move(pkg));
  }
}
