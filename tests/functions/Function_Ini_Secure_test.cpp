// Secure mode keeps INI files outside the working directory as it keeps any
// other file: they may be read, never written, changed or created.
#include "functions/Function_Ini.h"

#include "base/Support_Path.h"
#include "functions/File_Test_Fixture.h"

using filetest::FileTest;
using filetest::R;
using filetest::S;
namespace fs = std::filesystem;
using Msgs = std::vector<std::string>;

TEST_F(FileTest, SecureModeKeepsIniFilesOutsideTheWorkingDirectoryAsTheyAre) {
  fs::create_directory("sub");
  const std::string kept = "[Video]\r\nWidth=640\r\n[Keys]\r\nJump=32\r\n";
  WriteFile("sub/set.ini", kept);
  SetSecureMode(true);
  Call("ini_open", {S("sub/set.ini")});
  EXPECT_EQ(Num("ini_read_real", {S("Video"), S("Width"), R(0)}), 640);
  const std::string refused = "In secure mode you cannot write ini file sub/set.ini";
  struct Case {
    const char *function;
    std::vector<RValue> args;
  } cases[] = {
      {"ini_write_string", {S("Video"), S("Width"), S("800")}},
      {"ini_write_real", {S("Video"), S("Height"), R(480)}},
      {"ini_key_delete", {S("Video"), S("Width")}},
      {"ini_section_delete", {S("Keys")}},
  };
  for (const Case &c : cases) {
    Call(c.function, c.args);
    EXPECT_EQ(Reports(), Msgs{refused}) << c.function;
  }
  Call("ini_close");
  EXPECT_EQ(ReadFile("sub/set.ini"), kept);
  // A new file outside is not created at close either; one beside the game is.
  Call("ini_open", {S("sub/new.ini")});
  Call("ini_close");
  EXPECT_FALSE(fs::exists("sub/new.ini"));
  Call("ini_open", {S("here.ini")});
  Call("ini_write_string", {S("a"), S("b"), S("c")});
  Call("ini_close");
  EXPECT_EQ(ReadFile("here.ini"), "[a]\r\nb=c\r\n");
  EXPECT_EQ(Reports(), Msgs{});
  SetSecureMode(false);
}
