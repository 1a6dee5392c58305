#include "functions/Function_Registry.h"

#include <sys/wait.h>
#include <unistd.h>

#include "functions/File_Test_Fixture.h"
#include "base/Support_Registry.h"
#include "runner/Runner_Load.h"

using filetest::FileTest;
using filetest::R;
using filetest::S;
namespace fs = std::filesystem;
using Msgs = std::vector<std::string>;

TEST_F(FileTest, RegistryValuesOfTheGameRoundTrip) {
  g_GameId = 4711;
  EXPECT_EQ(RegistryGameKey(), "Software\\Quillon\\4711");
  EXPECT_EQ(Str("registry_read_string", {S("name")}), "");
  EXPECT_EQ(Num("registry_read_real", {S("best")}), 0);
  EXPECT_FALSE(fs::exists(root / "config/quillon/registry.txt"));  // reading creates nothing

  Call("registry_write_string", {S("name"), S("Zoë = \"best\"\nplayer")});
  Call("registry_write_real", {S("best"), R(-12.625)});
  EXPECT_EQ(Str("registry_read_string", {S("NAME")}), "Zoë = \"best\"\nplayer");
  EXPECT_EQ(Num("registry_read_real", {S("Best")}), -12.625);
  // A value of the other kind reads as the default.
  EXPECT_EQ(Str("registry_read_string", {S("best")}), "");
  EXPECT_EQ(Num("registry_read_real", {S("name")}), 0);
  // Another game has its own key.
  g_GameId = 1;
  EXPECT_EQ(Str("registry_read_string", {S("name")}), "");
  g_GameId = 0;
  EXPECT_EQ(Reports(), Msgs{});
}

TEST_F(FileTest, RegistryExistsCreatesTheKey) {
  g_GameId = 99;
  EXPECT_FALSE(RegistryKeyExists(RegRoot::kCurrentUser, "Software\\Quillon\\99"));
  EXPECT_EQ(Num("registry_exists", {S("x")}), 0);
  EXPECT_TRUE(RegistryKeyExists(RegRoot::kCurrentUser, "\\software\\QUILLON\\99\\"));
  Call("registry_write_real", {S("x"), R(1)});
  EXPECT_EQ(Num("registry_exists", {S("X")}), 1);
  EXPECT_EQ(Num("registry_exists_ext", {S("Software\\Other"), S("y")}), 0);
  EXPECT_TRUE(RegistryKeyExists(RegRoot::kCurrentUser, "Software\\Other"));
  g_GameId = 0;
}

TEST_F(FileTest, RegistryExtFunctionsWorkUnderTheChosenRoot) {
  const std::vector<std::pair<double, RegRoot>> roots = {
      {0, RegRoot::kCurrentUser}, {1, RegRoot::kLocalMachine}, {2, RegRoot::kClassesRoot},
      {3, RegRoot::kUsers},       {7, RegRoot::kCurrentUser},
  };
  for (const auto &[code, root] : roots) {
    Call("registry_set_root", {R(code)});
    const std::string key = "\\Software\\Test\\" + std::to_string(static_cast<int>(code));
    Call("registry_write_string_ext", {S(key), S("s"), S("text")});
    Call("registry_write_real_ext", {S(key), S("r"), R(code + 0.5)});
    RRegValue v;
    ASSERT_TRUE(RegistryRead(root, key, "s", v)) << code;
    EXPECT_EQ(v.text, "text");
    EXPECT_EQ(Str("registry_read_string_ext", {S(key), S("S")}), "text");
    EXPECT_EQ(Num("registry_read_real_ext", {S(key), S("R")}), code + 0.5);
    EXPECT_EQ(Num("registry_exists_ext", {S(key), S("s")}), 1);
  }
  // The roots are apart: the key of root 1 is not under root 3.
  Call("registry_set_root", {R(3)});
  EXPECT_EQ(Str("registry_read_string_ext", {S("Software\\Test\\1"), S("s")}), "");

  SetSecureMode(true);
  Call("registry_write_string_ext", {S("Software\\Test\\3"), S("s"), S("changed")});
  Call("registry_write_real_ext", {S("Software\\Test\\3"), S("r"), R(0)});
  EXPECT_EQ(Reports(), (Msgs{"In Secure mode you cannot write registry entries in Software\\Test\\3",
                                "In Secure mode you cannot write registry entries in Software\\Test\\3"}));
  EXPECT_EQ(Str("registry_read_string_ext", {S("Software\\Test\\3"), S("s")}), "text");
  // The game's own key may still be written.
  Call("registry_write_string", {S("ok"), S("yes")});
  EXPECT_EQ(Str("registry_read_string", {S("ok")}), "yes");
  EXPECT_EQ(Reports(), Msgs{});
}

TEST_F(FileTest, RegistryStoreIsReadableTextAndSurvivesDamage) {
  RRegValue s;
  s.text = "100% [done]\tok";
  ASSERT_TRUE(RegistryWrite(RegRoot::kUsers, "A\\Odd=Key]", "we=ird;name", s));
  RRegValue n;
  n.kind = RRegValue::kNumber;
  n.number = 4000000000u;
  ASSERT_TRUE(RegistryWrite(RegRoot::kCurrentUser, "A", "n", n));
  const fs::path store = root / "config/quillon/registry.txt";
  const std::string text = ReadFile(store);
  EXPECT_NE(text.find("[HKEY_USERS\\A\\Odd%3dKey%5d]\nwe%3dird%3bname=s:100%25 [done]%09ok\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\A]\nn=d:4000000000\n"), std::string::npos) << text;

  // Lines that cannot be read are skipped; the rest is kept.
  WriteFile(store, text + "garbage line\n[HKEY_NOWHERE\\X]\nlost=s:1\n[HKEY_CURRENT_USER\\A]\nbad=b:123\nok=b:0aff\n");
  RRegValue v;
  ASSERT_TRUE(RegistryRead(RegRoot::kUsers, "a\\odd=key]", "WE=IRD;NAME", v));
  EXPECT_EQ(v.text, "100% [done]\tok");
  EXPECT_FALSE(RegistryRead(RegRoot::kCurrentUser, "A", "bad", v));
  ASSERT_TRUE(RegistryRead(RegRoot::kCurrentUser, "A", "ok", v));
  EXPECT_EQ(v.bytes, (std::vector<uint8_t>{0x0a, 0xff}));
  ASSERT_TRUE(RegistryRead(RegRoot::kCurrentUser, "A", "n", v));
  EXPECT_EQ(v.number, 4000000000u);
  // No temporary file stays beside the store.
  size_t files = 0;
  for (const auto &e : fs::directory_iterator(store.parent_path())) files += e.path().filename() != "registry.lock";
  EXPECT_EQ(files, 1u);
}

TEST_F(FileTest, SecureModeIsReadFromThePreferences) {
  const std::string key = "Software\\Quillon\\Version 8.1\\Preferences";
  struct Case {
    const char *warning;  // null: value missing
    const char *running;
    bool secure;
  };
  const std::vector<Case> cases = {
      {nullptr, nullptr, false}, {"1", nullptr, true}, {"0", nullptr, false}, {"1", "1", true},
      {"1", "0", false},         {nullptr, "1", false}, {"true", "TRUE", true},
  };
  SecureMode_Read();
  EXPECT_FALSE(SecureMode());  // no key at all
  for (const Case &c : cases) {
    fs::remove(root / "config/quillon/registry.txt");
    RegistryCreateKey(RegRoot::kCurrentUser, key);
    RRegValue v;
    if (c.warning) {
      v.text = c.warning;
      RegistryWrite(RegRoot::kCurrentUser, key, "Warning", v);
    }
    if (c.running) {
      v.text = c.running;
      RegistryWrite(RegRoot::kCurrentUser, key, "QuillonRunning", v);
    }
    SetSecureMode(!c.secure);
    SecureMode_Read();
    EXPECT_EQ(SecureMode(), c.secure) << (c.warning ? c.warning : "-") << " " << (c.running ? c.running : "-");
  }
  // A number counts as well.
  RRegValue one;
  one.kind = RRegValue::kNumber;
  one.number = 1;
  fs::remove(root / "config/quillon/registry.txt");
  RegistryWrite(RegRoot::kCurrentUser, key, "Warning", one);
  SecureMode_Read();
  EXPECT_TRUE(SecureMode());
}

TEST_F(FileTest, RegistryWritersRunningAtOnceKeepEachOthersValues) {
  RRegValue v;
  v.kind = RRegValue::kNumber;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  const char *who = child == 0 ? "child" : "parent";
  for (uint32_t i = 0; i < 40; ++i) {
    v.number = i;
    RegistryWrite(RegRoot::kCurrentUser, "Software\\Race", who + std::to_string(i), v);
  }
  if (child == 0) ::_exit(0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  for (const char *name : {"child", "parent"})
    for (uint32_t i = 0; i < 40; ++i) {
      RRegValue got;
      ASSERT_TRUE(RegistryRead(RegRoot::kCurrentUser, "Software\\Race", name + std::to_string(i), got))
          << name << i;
      EXPECT_EQ(got.number, i);
    }
}
