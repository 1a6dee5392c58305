#include "code/Extension_Class.h"

#include <filesystem>
#include <random>

#include "base/Support_Stream.h"

namespace {

constexpr int32_t kRecordVersion = 700;

// A file or folder name taken from the game data is used only when it names
// an entry directly inside its folder.
bool IsPlainName(const std::string &name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find('/') == std::string::npos && name.find('\\') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

}  // namespace

std::string ExtensionTrim(const std::string &text) {
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  return text.substr(b, e - b);
}

bool CExtensionConstant::LoadFromStream(CStream &stream) {
  if (stream.ReadInteger() != kRecordVersion) return false;
  s_name = stream.ReadString();
  s_value = stream.ReadString();
  return true;
}

void CExtensionConstant::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kRecordVersion);
  stream.WriteString(s_name);
  stream.WriteString(s_value);
}

bool CExtensionFunction::LoadFromStream(CStream &stream) {
  if (stream.ReadInteger() != kRecordVersion) return false;
  s_name = stream.ReadString();
  s_extname = stream.ReadString();
  s_kind = stream.ReadInteger();
  s_id = stream.ReadInteger();
  s_argcount = stream.ReadInteger();
  for (int32_t &t : s_argtype) t = stream.ReadInteger();
  s_returntype = stream.ReadInteger();
  if (s_returntype < 1 || s_returntype > 2) s_returntype = 2;
  return true;
}

void CExtensionFunction::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kRecordVersion);
  stream.WriteString(s_name);
  stream.WriteString(s_extname);
  stream.WriteInteger(s_kind);
  stream.WriteInteger(s_id);
  stream.WriteInteger(s_argcount);
  for (int32_t t : s_argtype) stream.WriteInteger(t);
  stream.WriteInteger(s_returntype);
}

bool CExtensionFile::LoadFromStream(CStream &stream) {
  if (stream.ReadInteger() != kRecordVersion) return false;
  s_filename = stream.ReadString();
  s_kind = stream.ReadInteger();
  s_init = stream.ReadString();
  s_final = stream.ReadString();
  s_functions.clear();
  s_constants.clear();
  const int32_t nfunc = stream.ReadInteger();
  for (int32_t i = 0; i < nfunc; ++i) {
    auto f = std::make_unique<CExtensionFunction>();
    if (!f->LoadFromStream(stream)) return false;
    s_functions.push_back(std::move(f));
  }
  const int32_t nconst = stream.ReadInteger();
  for (int32_t i = 0; i < nconst; ++i) {
    auto c = std::make_unique<CExtensionConstant>();
    if (!c->LoadFromStream(stream)) return false;
    s_constants.push_back(std::move(c));
  }
  return true;
}

void CExtensionFile::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kRecordVersion);
  stream.WriteString(s_filename);
  stream.WriteInteger(s_kind);
  stream.WriteString(s_init);
  stream.WriteString(s_final);
  stream.WriteInteger(static_cast<int32_t>(s_functions.size()));
  for (const auto &f : s_functions) f->SaveToStream(stream);
  stream.WriteInteger(static_cast<int32_t>(s_constants.size()));
  for (const auto &c : s_constants) c->SaveToStream(stream);
}

void CExtensionFile::AssignScriptSources() {
  // Lines end at carriage returns; line feeds are dropped.
  std::vector<std::string> lines(1);
  for (uint8_t b : s_data) {
    if (b == '\r') lines.emplace_back();
    else if (b != '\n') lines.back().push_back(static_cast<char>(b));
  }
  // A carriage return ends a line; nothing after the last one is no line.
  if (lines.back().empty()) lines.pop_back();
  auto isDefine = [](const std::string &l) { return l.rfind("#define", 0) == 0; };
  size_t i = 0;
  while (i < lines.size() && !isDefine(lines[i])) ++i;
  while (i < lines.size()) {
    const std::string name = ExtensionTrim(lines[i].size() > 7 ? lines[i].substr(7) : std::string());
    std::string body;
    size_t j = i + 1;
    for (bool first = true; j < lines.size() && !isDefine(lines[j]); ++j, first = false) {
      if (!first) body += "\r\n";
      body += lines[j];
    }
    for (auto &f : s_functions)
      if (f->s_extname == name) f->s_script = body;
    i = j;
  }
}

CExtensionPackage::CExtensionPackage() {
  static std::minstd_rand rng{std::random_device{}()};
  s_folder = "temp" + std::to_string(std::uniform_int_distribution<int>(0, 998)(rng));
}

bool CExtensionPackage::LoadFromStream(CStream &stream) {
  if (stream.ReadInteger() != kRecordVersion) return false;
  s_name = stream.ReadString();
  s_folder = stream.ReadString();
  s_includes.clear();
  const int32_t nfiles = stream.ReadInteger();
  for (int32_t i = 0; i < nfiles; ++i) {
    auto f = std::make_unique<CExtensionFile>();
    if (!f->LoadFromStream(stream)) return false;
    s_includes.push_back(std::move(f));
  }

  // The file contents: a key, then (past one untouched byte) data scrambled
  // with that key, holding one compressed content per file but kind 3.
  std::unique_ptr<CStream> contents = stream.ReadStream();
  s_key = contents->ReadInteger();
  if (contents->Size() > 5) contents->Decrypt(s_key, 5, 0);
  for (auto &f : s_includes) {
    f->s_data.clear();
    if (f->s_kind == CExtensionFile::kNoContent) continue;
    std::unique_ptr<CStream> data = contents->ReadStreamC();
    f->s_data = data->Bytes();
  }

  for (auto &f : s_includes) {
    for (auto &fn : f->s_functions) {
      fn->s_name = ExtensionTrim(fn->s_name);
      fn->s_extname = ExtensionTrim(fn->s_extname);
      if (fn->s_extname.empty()) fn->s_extname = fn->s_name;
      if (fn->s_argcount > 4) fn->s_argtype.fill(2);
    }
    if (f->s_kind == CExtensionFile::kScriptSource) f->AssignScriptSources();
  }
  return true;
}

void CExtensionPackage::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kRecordVersion);
  stream.WriteString(s_name);
  stream.WriteString(s_folder);
  stream.WriteInteger(static_cast<int32_t>(s_includes.size()));
  for (const auto &f : s_includes) f->SaveToStream(stream);

  CStream contents;
  contents.WriteInteger(s_key);
  for (const auto &f : s_includes) {
    if (f->s_kind == CExtensionFile::kNoContent) continue;
    CStream data(f->s_data);
    contents.WriteStreamC(data);
  }
  if (contents.Size() > 5) contents.Encrypt(s_key, 5, 0);
  stream.WriteStream(contents);
}

bool CExtensionPackage::WriteFiles(const std::string &tempDir) const {
  namespace fs = std::filesystem;
  if (tempDir.empty() || !IsPlainName(s_folder)) return false;
  const fs::path folder = fs::path(tempDir) / s_folder;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return false;
  bool ok = true;
  for (const auto &f : s_includes) {
    if (f->s_kind != CExtensionFile::kLibrary && f->s_kind != CExtensionFile::kOtherFile) continue;
    if (!IsPlainName(f->s_filename)) {
      ok = false;
      continue;
    }
    try {
      CStream(f->s_data).SaveToFile((folder / f->s_filename).string(), false);  // in the temporary folder
    } catch (const EStreamError &) {
      ok = false;
    }
  }
  return ok;
}
