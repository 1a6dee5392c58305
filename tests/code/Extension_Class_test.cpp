#include "code/Extension_Class.h"

#include <gtest/gtest.h>

#include "code/Extension_Main.h"
#include "base/Support_Stream.h"

namespace {

std::unique_ptr<CExtensionFunction> Function(const char *name, const char *ext, int32_t args) {
  auto f = std::make_unique<CExtensionFunction>();
  f->s_name = name;
  f->s_extname = ext;
  f->s_argcount = args;
  return f;
}

std::vector<uint8_t> Bytes(const std::string &s) { return {s.begin(), s.end()}; }

std::unique_ptr<CExtensionPackage> LoadBack(const CExtensionPackage &in) {
  CStream s;
  in.SaveToStream(s);
  s.Seek(0);
  auto out = std::make_unique<CExtensionPackage>();
  EXPECT_TRUE(out->LoadFromStream(s));
  EXPECT_EQ(s.Position(), s.Size());
  return out;
}

}  // namespace

TEST(ExtensionPackage, RoundTripKeepsFilesFunctionsConstantsAndContents) {
  CExtensionPackage p;
  p.s_name = "Net";
  p.s_folder = "netfolder";
  p.s_key = -987654;
  auto lib = std::make_unique<CExtensionFile>();
  lib->s_filename = "net.dll";
  lib->s_kind = CExtensionFile::kLibrary;
  lib->s_init = "net_init";
  lib->s_final = "net_end";
  auto f = Function("net_send", "NetSend", 2);
  f->s_kind = 11;
  f->s_id = 42;
  f->s_argtype[0] = 1;
  f->s_returntype = 1;
  lib->s_functions.push_back(std::move(f));
  auto c = std::make_unique<CExtensionConstant>();
  c->s_name = "net_port";
  c->s_value = "6510";
  lib->s_constants.push_back(std::move(c));
  lib->s_data = Bytes(std::string("MZ\0\1binary", 10));
  p.s_includes.push_back(std::move(lib));
  auto none = std::make_unique<CExtensionFile>();
  none->s_filename = "readme";
  none->s_kind = CExtensionFile::kNoContent;
  p.s_includes.push_back(std::move(none));
  auto other = std::make_unique<CExtensionFile>();
  other->s_filename = "data.bin";
  other->s_kind = CExtensionFile::kOtherFile;
  other->s_data = Bytes("payload");
  p.s_includes.push_back(std::move(other));

  const auto out = LoadBack(p);
  EXPECT_EQ(out->s_name, "Net");
  EXPECT_EQ(out->s_folder, "netfolder");
  EXPECT_EQ(out->s_key, -987654);
  ASSERT_EQ(out->s_includes.size(), 3u);
  const CExtensionFile &l = *out->s_includes[0];
  EXPECT_EQ(l.s_init, "net_init");
  EXPECT_EQ(l.s_final, "net_end");
  EXPECT_EQ(l.s_data, p.s_includes[0]->s_data);
  ASSERT_EQ(l.s_functions.size(), 1u);
  EXPECT_EQ(l.s_functions[0]->s_extname, "NetSend");
  EXPECT_EQ(l.s_functions[0]->s_kind, 11);
  EXPECT_EQ(l.s_functions[0]->s_id, 42);
  EXPECT_EQ(l.s_functions[0]->s_argtype[0], 1);
  EXPECT_EQ(l.s_functions[0]->s_argtype[1], 2);
  EXPECT_EQ(l.s_functions[0]->s_returntype, 1);
  ASSERT_EQ(l.s_constants.size(), 1u);
  EXPECT_EQ(l.s_constants[0]->s_value, "6510");
  EXPECT_TRUE(out->s_includes[1]->s_data.empty());
  EXPECT_EQ(out->s_includes[2]->s_data, Bytes("payload"));
}

TEST(ExtensionPackage, ContentsAreScrambledWithTheKey) {
  // The stored contents must not show the file's bytes as they are, and a
  // wrong key must not give them back.
  CExtensionPackage p;
  p.s_key = 31337;
  auto f = std::make_unique<CExtensionFile>();
  f->s_kind = CExtensionFile::kOtherFile;
  f->s_data.assign(64, 'A');
  p.s_includes.push_back(std::move(f));
  CStream s;
  p.SaveToStream(s);
  CStream plain;
  CStream data(p.s_includes[0]->s_data);
  plain.WriteStreamC(data);
  const std::vector<uint8_t> &all = s.Bytes();
  const std::vector<uint8_t> &compressed = plain.Bytes();
  EXPECT_EQ(std::search(all.begin(), all.end(), compressed.begin() + 5, compressed.end()), all.end());
}

TEST(ExtensionPackage, ReaderTrimsNamesAndFixesTypes) {
  CExtensionPackage p;
  auto f = std::make_unique<CExtensionFile>();
  f->s_kind = CExtensionFile::kLibrary;
  f->s_functions.push_back(Function("  spaced\t", "", 1));
  f->s_functions.push_back(Function("many", " Many ", 7));
  f->s_functions.back()->s_argtype.fill(1);
  f->s_functions.push_back(Function("four", "four", 4));
  f->s_functions.back()->s_argtype.fill(1);
  f->s_functions.back()->s_returntype = 9;
  p.s_includes.push_back(std::move(f));
  const auto out = LoadBack(p);
  const auto &fs = out->s_includes[0]->s_functions;
  EXPECT_EQ(fs[0]->s_name, "spaced");
  EXPECT_EQ(fs[0]->s_extname, "spaced");  // empty external name becomes the name
  EXPECT_EQ(fs[1]->s_extname, "Many");
  for (int32_t t : fs[1]->s_argtype) EXPECT_EQ(t, 2);  // more than 4 arguments: all real
  EXPECT_EQ(fs[2]->s_argtype[0], 1);                    // 4 arguments keep their strings
  EXPECT_EQ(fs[2]->s_returntype, 2);                    // outside 1..2 becomes real
}

TEST(ExtensionPackage, ScriptSourceIsSplitAtDefines) {
  CExtensionPackage p;
  auto f = std::make_unique<CExtensionFile>();
  f->s_kind = CExtensionFile::kScriptSource;
  f->s_data = Bytes("ignored line\r\n#define a\r\nreturn 1;\r\n\r\nx = 2;\r\n#define   b  \rreturn 2;");
  f->s_functions.push_back(Function("fa", "a", 0));
  f->s_functions.push_back(Function("fb", "b", 0));
  f->s_functions.push_back(Function("fc", "c", 0));
  f->s_functions.push_back(Function("fa2", "a", 0));
  p.s_includes.push_back(std::move(f));
  const auto out = LoadBack(p);
  const auto &fs = out->s_includes[0]->s_functions;
  EXPECT_EQ(fs[0]->s_script, "return 1;\r\n\r\nx = 2;");
  EXPECT_EQ(fs[1]->s_script, "return 2;");
  EXPECT_EQ(fs[2]->s_script, "");
  EXPECT_EQ(fs[3]->s_script, fs[0]->s_script);
}

TEST(ExtensionSection, VersionAndPackageFailuresAreToldApart) {
  CStream wrong;
  wrong.WriteInteger(800);
  wrong.Seek(0);
  EXPECT_EQ(Extension_Load(wrong), TExtensionLoad::WrongVersion);

  CStream bad;
  bad.WriteInteger(700);
  bad.WriteInteger(1);
  bad.WriteInteger(701);
  bad.Seek(0);
  EXPECT_EQ(Extension_Load(bad), TExtensionLoad::PackageFailed);

  RExtensionList list;
  list.push_back(std::make_unique<CExtensionPackage>());
  list.back()->s_name = "only";
  CStream good;
  Extension_SaveSection(good, list);
  good.Seek(0);
  EXPECT_EQ(Extension_Load(good), TExtensionLoad::Ok);
  ASSERT_EQ(g_Extensions.size(), 1u);
  EXPECT_EQ(g_Extensions[0]->s_name, "only");
}
