#include "functions/Function_File.h"

#include <sys/stat.h>

#include <fstream>
#include <map>

#include "functions/File_Test_Fixture.h"
#include "data/DataNew_Main.h"
#include "support/Test_Platform.h"

using filetest::FileTest;
using filetest::R;
using filetest::S;
namespace fs = std::filesystem;

using Msgs = std::vector<std::string>;

// ---------------------------------------------------------------------------
// Registration
// ---------------------------------------------------------------------------
TEST_F(FileTest, EveryFunctionIsRegisteredWithItsArgumentCount) {
  std::ifstream in(std::string(QUILLON_SOURCE_DIR) + "/tests/functions/catalog/file_functions.tsv");
  ASSERT_TRUE(in.good());
  std::string name;
  int count = 0, rows = 0;
  while (in >> name >> count) {
    ++rows;
    const int32_t id = FunctionFind(name);
    ASSERT_GE(id, 0) << name;
    EXPECT_EQ(FunctionArgCount(id), count) << name;
  }
  EXPECT_EQ(rows, 79);
}

// ---------------------------------------------------------------------------
// Binary files
// ---------------------------------------------------------------------------
TEST_F(FileTest, BinaryFileWritesReadsSeeksAndTruncates) {
  const double f = Num("file_bin_open", {S("data.bin"), R(2)});
  ASSERT_EQ(f, 1);
  for (double b : {0.0, 255.0, 256.0 + 7, -1.0, 65.4}) Call("file_bin_write_byte", {R(f), R(b)});
  EXPECT_EQ(Num("file_bin_size", {R(f)}), 5);
  EXPECT_EQ(Num("file_bin_position", {R(f)}), 5);
  Call("file_bin_seek", {R(f), R(1)});
  std::vector<double> got;
  for (int i = 0; i < 4; ++i) got.push_back(Num("file_bin_read_byte", {R(f)}));
  EXPECT_EQ(got, (std::vector<double>{255, 7, 255, 65}));  // low 8 bits of the rounded value
  EXPECT_EQ(Reports(), Msgs{});

  // Past the end there is no byte: a report and 0.
  EXPECT_EQ(Num("file_bin_read_byte", {R(f)}), 0);
  EXPECT_EQ(Reports(), Msgs{"Error reading byte."});

  Call("file_bin_rewrite", {R(f)});
  EXPECT_EQ(Num("file_bin_size", {R(f)}), 0);
  EXPECT_EQ(Num("file_bin_position", {R(f)}), 0);
  Call("file_bin_close", {R(f)});
  EXPECT_EQ(fs::file_size("data.bin"), 0u);
}

TEST_F(FileTest, BinaryOpenKeepsContentAndModeZeroIsReadOnly) {
  WriteFile("keep.bin", "AB");
  const double f = Num("file_bin_open", {S("keep.bin"), R(0)});
  EXPECT_EQ(Num("file_bin_read_byte", {R(f)}), 'A');
  Call("file_bin_write_byte", {R(f), R(1)});
  EXPECT_EQ(Reports(), Msgs{"Error writing byte."});
  Call("file_bin_close", {R(f)});
  EXPECT_EQ(ReadFile("keep.bin"), "AB");

  // A missing file is created empty, whatever the mode.
  const double g = Num("file_bin_open", {S("new.bin"), R(1)});
  EXPECT_GT(g, 0);
  EXPECT_TRUE(fs::exists("new.bin"));
  Call("file_bin_write_byte", {R(g), R('z')});
  Call("file_bin_close", {R(g)});
  EXPECT_EQ(ReadFile("new.bin"), "z");

  // A directory is no binary file.
  fs::create_directory("adir");
  EXPECT_EQ(Num("file_bin_open", {S("adir"), R(0)}), -1);
  EXPECT_EQ(Reports(), Msgs{"Error opening binary file."});
}

TEST_F(FileTest, ThirtyTwoBinaryFilesAtMostAndClosingFreesTheNumber) {
  for (int i = 1; i <= 32; ++i) ASSERT_EQ(Num("file_bin_open", {S("f" + std::to_string(i)), R(2)}), i);
  EXPECT_EQ(Num("file_bin_open", {S("f33"), R(2)}), -1);
  EXPECT_EQ(Reports(), Msgs{"Cannot open another file (maximum exceeded)."});
  Call("file_bin_close", {R(7)});
  EXPECT_EQ(Num("file_bin_open", {S("again"), R(2)}), 7);
  EXPECT_EQ(Reports(), Msgs{});
}

TEST_F(FileTest, BinaryFunctionsOnIdsThatAreNotOpen) {
  struct Case {
    const char *function;
    std::vector<RValue> args;
    const char *message;
  };
  const std::vector<Case> cases = {
      {"file_bin_close", {R(0)}, "Trying to close unopened file."},  // 0 is never handed out
      {"file_bin_close", {R(3)}, "Trying to close unopened file."},
      {"file_bin_rewrite", {R(1)}, "Trying to rewrite unopened file."},
      {"file_bin_size", {R(33)}, "File is not opened."},
      {"file_bin_position", {R(-1)}, "File is not opened."},
      {"file_bin_seek", {R(1), R(0)}, "File is not opened."},
      {"file_bin_read_byte", {R(1)}, "File is not opened."},
      {"file_bin_write_byte", {R(1), R(1)}, "File is not opened."},
  };
  for (const Case &c : cases) {
    const RValue r = Call(c.function, c.args);
    EXPECT_TRUE(r.IsReal() && r.val == 0) << c.function;
    EXPECT_EQ(Reports(), Msgs{c.message}) << c.function;
  }
}

// ---------------------------------------------------------------------------
// Numbered text files
// ---------------------------------------------------------------------------
TEST_F(FileTest, TextFileWrittenThenReadLineByLine) {
  const double w = Num("file_text_open_write", {S("notes.txt")});
  ASSERT_EQ(w, 1);
  Call("file_text_write_string", {R(w), S("héllo wörld")});
  Call("file_text_write_real", {R(w), R(2)});
  Call("file_text_writeln", {R(w)});
  Call("file_text_write_real", {R(w), R(-0.25)});
  Call("file_text_writeln", {R(w)});
  Call("file_text_close", {R(w)});
  EXPECT_EQ(ReadFile("notes.txt"), "héllo wörld 2\r\n -0.250000\r\n");

  const double r = Num("file_text_open_read", {S("notes.txt")});
  ASSERT_EQ(r, 1);
  EXPECT_EQ(Num("file_text_eoln", {R(r)}), 0);
  EXPECT_EQ(Str("file_text_read_string", {R(r)}), "héllo wörld 2");
  EXPECT_EQ(Num("file_text_eoln", {R(r)}), 1);  // the line end is not consumed
  EXPECT_EQ(Str("file_text_read_string", {R(r)}), "");
  Call("file_text_readln", {R(r)});
  EXPECT_EQ(Num("file_text_read_real", {R(r)}), -0.25);
  EXPECT_EQ(Num("file_text_eof", {R(r)}), 0);
  Call("file_text_readln", {R(r)});
  EXPECT_EQ(Num("file_text_eof", {R(r)}), 1);
  EXPECT_EQ(Num("file_text_eoln", {R(r)}), 1);
  Call("file_text_close", {R(r)});
  EXPECT_EQ(Reports(), Msgs{});
}

TEST_F(FileTest, TextLinesEndInLineFeedAloneOrCarriageReturnLineFeed) {
  WriteFile("mixed.txt", "one\ntwo\r\nthree");
  const double r = Num("file_text_open_read", {S("mixed.txt")});
  std::vector<std::string> lines;
  while (Num("file_text_eof", {R(r)}) == 0) {
    lines.push_back(Str("file_text_read_string", {R(r)}));
    Call("file_text_readln", {R(r)});
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three"}));
}

TEST_F(FileTest, AppendAddsToTheEnd) {
  WriteFile("log.txt", "first\r\n");
  const double a = Num("file_text_open_append", {S("log.txt")});
  Call("file_text_write_string", {R(a), S("second")});
  Call("file_text_close", {R(a)});
  const double b = Num("file_text_open_append", {S("fresh.txt")});
  Call("file_text_write_string", {R(b), S("x")});
  Call("file_text_close", {R(b)});
  EXPECT_EQ(ReadFile("log.txt"), "first\r\nsecond");
  EXPECT_EQ(ReadFile("fresh.txt"), "x");
}

TEST_F(FileTest, WrittenRealsKeepSixDecimalsOnlyWhenNotAllZero) {
  const std::vector<std::pair<double, std::string>> cases = {
      {2, " 2"},           {3, " 3"},          {1.5, " 1.500000"}, {-0.25, " -0.250000"},
      {0.0000001, " 0"},   {0, " 0"},          {-7, " -7"},        {123456.125, " 123456.125000"},
      {1e15, " 1000000000000000"}, {0.999999999, " 0.999999"},
  };
  for (const auto &[x, text] : cases) {
    const double w = Num("file_text_open_write", {S("r.txt")});
    Call("file_text_write_real", {R(w), R(x)});
    Call("file_text_close", {R(w)});
    EXPECT_EQ(ReadFile("r.txt"), text) << x;
    // The current file writes the same way.
    Call("file_open_write", {S("c.txt")});
    Call("file_write_real", {R(x)});
    Call("file_close");
    EXPECT_EQ(ReadFile("c.txt"), text) << x;
  }
}

TEST_F(FileTest, ReadRealOfNumberedAndCurrentFiles) {
  struct Case {
    std::string line;
    double numbered;       // file_text_read_real
    double current;        // file_read_real
    std::string restNumbered;  // what file_text_read_string sees next
  };
  const std::vector<Case> cases = {
      {"  -12.5x3", -12.5, -12.5, "3"},
      {"1 2", 1, 12, "2"},
      {"3,25", 3.25, 3.25, ""},
      {"1.2.3", 1.2, 1.2, "3"},
      {"- 4", -4, -4, ""},
      {"5-6", 5, -56, "6"},
      {"7. 5", 7.5, 7.5, ""},
      {"abc", 0, 0, "bc"},
      {"", 0, 0, ""},
      {"42\r\nnext", 42, 42, ""},  // stops before the line end
  };
  for (const Case &c : cases) {
    WriteFile("n.txt", c.line);
    const double r = Num("file_text_open_read", {S("n.txt")});
    EXPECT_DOUBLE_EQ(Num("file_text_read_real", {R(r)}), c.numbered) << c.line;
    EXPECT_EQ(Str("file_text_read_string", {R(r)}), c.restNumbered) << c.line;
    Call("file_text_close", {R(r)});
    Call("file_open_read", {S("n.txt")});
    EXPECT_DOUBLE_EQ(Num("file_read_real"), c.current) << c.line;
    Call("file_close");
  }
  EXPECT_EQ(Reports(), Msgs{});
}

TEST_F(FileTest, TextSlotsAndTheirMessages) {
  // A missing file gives -1 without a report.
  EXPECT_EQ(Num("file_text_open_read", {S("missing.txt")}), -1);
  EXPECT_EQ(Reports(), Msgs{});

  const double w = Num("file_text_open_write", {S("w.txt")});
  const double r = Num("file_text_open_read", {S("w.txt")});
  struct Case {
    const char *function;
    std::vector<RValue> args;
    const char *message;
  };
  const std::vector<Case> cases = {
      {"file_text_read_string", {R(w)}, "File is not opened for reading."},
      {"file_text_read_real", {R(0)}, "File is not opened for reading."},
      {"file_text_readln", {R(33)}, "File is not opened for reading."},
      {"file_text_eof", {R(w)}, "File is not opened for reading."},
      {"file_text_eoln", {R(9)}, "File is not opened for reading."},
      {"file_text_write_string", {R(r), S("x")}, "File not opened for writing."},
      {"file_text_write_real", {R(r), R(1)}, "File not opened for writing."},
      {"file_text_writeln", {R(0)}, "File not opened for writing."},
      {"file_text_close", {R(0)}, "Trying to close unexisting text file."},
      {"file_text_close", {R(33)}, "Trying to close unexisting text file."},
      {"file_read_string", {}, "File not opened for reading."},
      {"file_read_real", {}, "File not opened for reading."},
      {"file_readln", {}, "File not opened for reading."},
      {"file_eof", {}, "File is not opened for reading."},
      {"file_eoln", {}, "File is not opened for reading."},
      {"file_write_string", {S("x")}, "File not opened for writing."},
      {"file_write_real", {R(1)}, "File not opened for writing."},
      {"file_writeln", {}, "File not opened for writing."},
  };
  for (const Case &c : cases) {
    Call(c.function, c.args);
    EXPECT_EQ(Reports(), Msgs{c.message}) << c.function;
  }
  // A slot that is not open is closed silently.
  Call("file_text_close", {R(20)});
  EXPECT_EQ(Reports(), Msgs{});
  EXPECT_EQ(Str("file_text_read_string", {R(w)}), "");  // the default is text
  Reports();

  for (int i = 3; i <= 32; ++i) ASSERT_EQ(Num("file_text_open_write", {S("t" + std::to_string(i))}), i);
  EXPECT_EQ(Num("file_text_open_write", {S("one_more")}), -1);
  EXPECT_EQ(Reports(), Msgs{"Cannot open another file (maximum exceeded)."});
  EXPECT_FALSE(fs::exists("one_more"));
  // The current file has a slot of its own.
  Call("file_open_write", {S("current.txt")});
  Call("file_write_string", {S("ok")});
  Call("file_close");
  EXPECT_EQ(ReadFile("current.txt"), "ok");
  EXPECT_EQ(Reports(), Msgs{});
}

TEST_F(FileTest, CurrentFileReopeningClosesTheOldOne) {
  Call("file_open_write", {S("a.txt")});
  Call("file_write_string", {S("A")});
  Call("file_writeln");
  Call("file_open_append", {S("a.txt")});  // the first is closed, then appended to
  Call("file_write_string", {S("B")});
  Call("file_open_read", {S("a.txt")});
  EXPECT_EQ(Str("file_read_string"), "A");
  EXPECT_EQ(Num("file_eoln"), 1);
  Call("file_readln");
  EXPECT_EQ(Str("file_read_string"), "B");
  EXPECT_EQ(Num("file_eof"), 1);
  // A missing file leaves the current file closed without a report.
  Call("file_open_read", {S("nothing.txt")});
  EXPECT_EQ(Reports(), Msgs{});
  Call("file_eof");
  EXPECT_EQ(Reports(), Msgs{"File is not opened for reading."});
}

// ---------------------------------------------------------------------------
// Secure mode
// ---------------------------------------------------------------------------
TEST_F(FileTest, SecureModeRefusesWritingOutsideTheWorkingDirectory) {
  fs::create_directory("sub");
  WriteFile("sub/in.txt", "inside\r\n");
  WriteFile("plain.txt", "p");
  SetSecureMode(true);
  struct Case {
    const char *function;
    std::vector<RValue> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"file_bin_open", {S("sub/b.bin"), R(1)}, "In secure mode you cannot write file sub/b.bin"},
      {"file_text_open_write", {S("C:\\x.txt")}, "In secure mode you cannot write file C:\\x.txt"},
      {"file_text_open_append", {S("sub\\a.txt")}, "In secure mode you cannot append to file sub\\a.txt"},
      {"file_open_write", {S("sub/c.txt")}, "In secure mode you cannot write file sub/c.txt"},
      {"file_open_append", {S("sub/c.txt")}, "In secure mode you cannot append to file sub/c.txt"},
      {"file_delete", {S("sub/in.txt")}, "In Secure mode you cannot delete file sub/in.txt"},
      {"file_rename", {S("plain.txt"), S("sub/p.txt")},
       "In Secure mode you cannot rename file plain.txt into sub/p.txt"},
      {"file_copy", {S("sub/in.txt"), S("copy.txt")}, "In Secure mode you cannot copy file sub/in.txt to copy.txt"},
      {"directory_create", {S("sub/deeper")}, "In Secure mode you cannot create directory sub/deeper"},
      {"execute_program", {S("true"), S(""), R(1)}, "In Secure mode you cannot execute program true"},
      {"execute_shell", {S("plain.txt"), S("")}, "In Secure mode you cannot execute program plain.txt"},
  };
  for (const Case &c : cases) {
    const RValue r = Call(c.function, c.args);
    EXPECT_EQ(Reports(), Msgs{c.message}) << c.function;
    const bool givesId = std::string_view(c.function).substr(0, 9) == "file_bin_" ||
                         std::string_view(c.function).substr(0, 10) == "file_text_";
    EXPECT_EQ(r.val, givesId ? -1 : 0) << c.function;
  }
  // Nothing was written, moved, copied or removed.
  EXPECT_EQ(std::vector<std::string>({"in.txt"}), [] {
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator("sub")) names.push_back(e.path().filename().string());
    return names;
  }());
  EXPECT_TRUE(fs::exists("plain.txt"));
  EXPECT_FALSE(fs::exists("copy.txt"));

  // Bare names may be written, and any path may be read.
  const double w = Num("file_text_open_write", {S("bare.txt")});
  EXPECT_GT(w, 0);
  const double r = Num("file_text_open_read", {S("sub\\in.txt")});
  EXPECT_EQ(Str("file_text_read_string", {R(r)}), "inside");
  const double b = Num("file_bin_open", {S("sub/in.txt"), R(0)});
  EXPECT_GT(b, 0);
  // Reading a missing file with a path creates nothing there.
  EXPECT_EQ(Num("file_bin_open", {S("sub/none.bin"), R(0)}), -1);
  EXPECT_EQ(Reports(), Msgs{"Error opening binary file."});
  EXPECT_FALSE(fs::exists("sub/none.bin"));
  Call("file_copy", {S("plain.txt"), S("copy.txt")});
  EXPECT_EQ(ReadFile("copy.txt"), "p");
  EXPECT_EQ(Reports(), Msgs{});
}

// ---------------------------------------------------------------------------
// Files and directories
// ---------------------------------------------------------------------------
TEST_F(FileTest, FilesAreDeletedRenamedAndCopied) {
  WriteFile("a.txt", "alpha");
  WriteFile("b.txt", "beta");
  fs::create_directory("dir");
  EXPECT_EQ(Num("file_exists", {S("a.txt")}), 1);
  EXPECT_EQ(Num("file_exists", {S("dir")}), 0);  // a directory is no file
  EXPECT_EQ(Num("directory_exists", {S("dir")}), 1);
  EXPECT_EQ(Num("directory_exists", {S("a.txt")}), 0);

  // Copy replaces the destination.
  Call("file_copy", {S("a.txt"), S("b.txt")});
  EXPECT_EQ(ReadFile("b.txt"), "alpha");
  Call("file_copy", {S("a.txt"), S("dir\\c.txt")});
  EXPECT_EQ(ReadFile("dir/c.txt"), "alpha");

  // A move never replaces a file that is there already.
  WriteFile("b.txt", "beta");
  Call("file_rename", {S("a.txt"), S("b.txt")});
  EXPECT_EQ(ReadFile("a.txt"), "alpha");
  EXPECT_EQ(ReadFile("b.txt"), "beta");
  Call("file_rename", {S("a.txt"), S("dir\\moved.txt")});
  EXPECT_FALSE(fs::exists("a.txt"));
  EXPECT_EQ(ReadFile("dir/moved.txt"), "alpha");

  Call("file_delete", {S("b.txt")});
  Call("file_delete", {S("dir")});       // directories are not deleted
  Call("file_delete", {S("nothing")});   // failures are silent
  Call("file_copy", {S("nothing"), S("x")});
  Call("file_rename", {S("nothing"), S("y")});
  EXPECT_FALSE(fs::exists("b.txt"));
  EXPECT_TRUE(fs::exists("dir"));
  EXPECT_FALSE(fs::exists("x"));
  EXPECT_EQ(Reports(), Msgs{});

  Call("directory_create", {S("one\\two\\three")});
  EXPECT_TRUE(fs::is_directory("one/two/three"));
  // No temporary copies are left behind.
  size_t entries = 0;
  for (const auto &e : fs::recursive_directory_iterator(".")) entries += e.is_regular_file();
  EXPECT_EQ(entries, 2u);  // dir/c.txt, dir/moved.txt
}

// Links are entries of their own: a move never replaces one, not even a
// broken one; deleting removes a link to a file (not the file), and leaves
// a link to a directory as it leaves the directory.
TEST_F(FileTest, LinksAreNeitherReplacedNorFollowedIntoDirectories) {
  WriteFile("a.txt", "alpha");
  WriteFile("target.txt", "target");
  fs::create_directory("dir");
  fs::create_symlink("missing.txt", "broken");
  fs::create_symlink("target.txt", "to_file");
  fs::create_directory_symlink("dir", "to_dir");

  Call("file_rename", {S("a.txt"), S("broken")});
  EXPECT_EQ(ReadFile("a.txt"), "alpha");
  EXPECT_TRUE(fs::is_symlink("broken"));

  Call("file_delete", {S("to_file")});
  Call("file_delete", {S("to_dir")});
  EXPECT_FALSE(fs::is_symlink("to_file"));
  EXPECT_EQ(ReadFile("target.txt"), "target");
  EXPECT_TRUE(fs::is_symlink("to_dir"));
  EXPECT_EQ(Reports(), Msgs{});
}

TEST_F(FileTest, AttributesAsThisSystemHasThem) {
  WriteFile("plain", "x");
  WriteFile(".hidden", "x");
  WriteFile("locked", "x");
  fs::permissions("locked", fs::perms::owner_write, fs::perm_options::remove);
  fs::create_directory("folder");
  const std::vector<std::tuple<std::string, int, double>> cases = {
      {"plain", 32, 1},  {"plain", 1, 0},   {"plain", 16, 0},  {".hidden", 2, 1}, {"plain", 2, 0},
      {"locked", 1, 1},  {"folder", 16, 1}, {"folder", 32, 0}, {"missing", 63, -1},
  };
  for (const auto &[name, attr, expected] : cases)
    EXPECT_EQ(Num("file_attributes", {S(name), R(attr)}), expected) << name << " " << attr;
}

TEST_F(FileTest, DirectorySearchWithMasksAndAttributes) {
  fs::create_directory("saves");
  for (const char *n : {"b.sav", "A.SAV", "c.txt", ".secret.sav", "noext"}) WriteFile(fs::path("saves") / n, "x");
  fs::create_directory("saves/old.sav");

  auto all = [&](const std::string &mask, double attr) {
    std::vector<std::string> names;
    for (std::string n = Str("file_find_first", {S(mask), R(attr)}); !n.empty(); n = Str("file_find_next"))
      names.push_back(n);
    return names;
  };
  using Names = std::vector<std::string>;
  EXPECT_EQ(all("saves\\*.sav", 0), (Names{"A.SAV", "b.sav"}));
  EXPECT_EQ(all("saves\\*.sav", 16), (Names{"A.SAV", "b.sav", "old.sav"}));
  EXPECT_EQ(all("saves\\*.sav", 2), (Names{".secret.sav", "A.SAV", "b.sav"}));
  EXPECT_EQ(all("saves\\?.txt", 0), (Names{"c.txt"}));
  EXPECT_EQ(all("saves\\*.*", 0), (Names{"A.SAV", "b.sav", "c.txt", "noext"}));
  EXPECT_EQ(all("SAVES/B.SAV", 0), (Names{"b.sav"}));
  EXPECT_EQ(all("nowhere\\*", 0), Names{});
  // The search ends with an empty name, and find_close ends it for good.
  EXPECT_EQ(Str("file_find_first", {S("saves\\*.sav"), R(0)}), "A.SAV");
  Call("file_find_close");
  EXPECT_EQ(Str("file_find_next"), "");
}

TEST_F(FileTest, FindNextWithoutASearchIsEmpty) { EXPECT_EQ(Str("file_find_next"), ""); }

// ---------------------------------------------------------------------------
// File names
// ---------------------------------------------------------------------------
TEST_F(FileTest, FileNameParts) {
  struct Case {
    std::string f, name, path, dir, drive, ext;
  };
  const std::vector<Case> cases = {
      {"C:\\games\\save.dat", "save.dat", "C:\\games\\", "C:\\games", "C:", ".dat"},
      {"C:\\save.dat", "save.dat", "C:\\", "C:\\", "C:", ".dat"},
      {"C:save", "save", "C:", "C:", "C:", ""},
      {"\\\\server\\share\\dir\\f.tar.gz", "f.tar.gz", "\\\\server\\share\\dir\\", "\\\\server\\share\\dir",
       "\\\\server\\share", ".gz"},
      {"\\\\server\\share", "share", "\\\\server\\", "\\\\server", "\\\\server\\share", ""},
      {"dir.v2\\noext", "noext", "dir.v2\\", "dir.v2", "", ""},
      {"/home/player/game.ini", "game.ini", "/home/player/", "/home/player", "", ".ini"},
      {"/", "", "/", "/", "", ""},
      {"plain.", "plain.", "", "", "", "."},
      {"", "", "", "", "", ""},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(Str("filename_name", {S(c.f)}), c.name) << c.f;
    EXPECT_EQ(Str("filename_path", {S(c.f)}), c.path) << c.f;
    EXPECT_EQ(Str("filename_dir", {S(c.f)}), c.dir) << c.f;
    EXPECT_EQ(Str("filename_drive", {S(c.f)}), c.drive) << c.f;
    EXPECT_EQ(Str("filename_ext", {S(c.f)}), c.ext) << c.f;
  }
  const std::vector<std::tuple<std::string, std::string, std::string>> change = {
      {"C:\\a\\save.dat", ".bak", "C:\\a\\save.bak"},
      {"dir.v2\\noext", ".txt", "dir.v2\\noext.txt"},
      {"archive.tar.gz", "", "archive.tar"},
  };
  for (const auto &[f, ext, expected] : change)
    EXPECT_EQ(Str("filename_change_ext", {S(f), S(ext)}), expected) << f;
}

// ---------------------------------------------------------------------------
// Included files
// ---------------------------------------------------------------------------
namespace {

// Puts included files into the game's list for one test.
class IncludedFiles {
public:
  ~IncludedFiles() { g_DataFiles.clear(); }
  CDataFile &Add(const std::string &name, const std::string &content) {
    auto file = std::make_unique<CDataFile>();
    file->s_filename = name;
    file->s_exists = file->s_store = true;
    file->s_size = static_cast<int32_t>(content.size());
    file->s_data.SetSize(static_cast<int64_t>(content.size()));
    std::copy(content.begin(), content.end(), file->s_data.Memory());
    g_DataFiles.push_back(std::move(file));
    return *g_DataFiles.back();
  }
};

}  // namespace

TEST_F(FileTest, IncludedFilesExportedDiscardedAndRefused) {
  IncludedFiles files;
  CDataFile &keep = files.Add("level.dat", "LEVEL");
  keep.s_freedata = false;
  CDataFile &once = files.Add("music.mid", "MIDI");
  CDataFile &nested = files.Add("data\\deep.bin", "DEEP");
  nested.s_exportaction = CDataFile::kExportDir;
  nested.s_exportdir = "out";
  nested.s_filename = "deep.bin";

  Call("export_include_file", {S("level.dat")});
  EXPECT_EQ(ReadFile("level.dat"), "LEVEL");
  Call("export_include_file_location", {S("level.dat"), S("copy.dat")});
  EXPECT_EQ(ReadFile("copy.dat"), "LEVEL");
  // An existing file is only replaced when the file says so.
  WriteFile("copy.dat", "MINE");
  Call("export_include_file_location", {S("level.dat"), S("copy.dat")});
  EXPECT_EQ(ReadFile("copy.dat"), "MINE");
  keep.s_overwrite = true;
  Call("export_include_file_location", {S("level.dat"), S("copy.dat")});
  EXPECT_EQ(ReadFile("copy.dat"), "LEVEL");

  // Freed after its export: it cannot be exported again.
  Call("export_include_file", {S("music.mid")});
  EXPECT_FALSE(once.s_exists);
  fs::remove("music.mid");
  Call("export_include_file", {S("music.mid")});
  EXPECT_FALSE(fs::exists("music.mid"));

  Call("export_include_file", {S("deep.bin")});
  EXPECT_EQ(ReadFile("out/deep.bin"), "DEEP");

  Call("discard_include_file", {S("level.dat")});
  EXPECT_FALSE(keep.s_exists);
  Call("export_include_file_location", {S("level.dat"), S("late.dat")});
  EXPECT_FALSE(fs::exists("late.dat"));
  EXPECT_EQ(Reports(), Msgs{});

  Call("export_include_file", {S("Level.dat")});  // names are compared exactly
  Call("export_include_file_location", {S("none"), S("x")});
  Call("discard_include_file", {S("none")});
  EXPECT_EQ(Reports(), (Msgs{"Trying to export non-existing file.", "Trying to export non-existing file.",
                                "Trying to discard non-existing file."}));

  SetSecureMode(true);
  CDataFile &guarded = files.Add("g.dat", "G");
  guarded.s_filename = "sub\\g.dat";
  Call("export_include_file_location", {S("music.mid"), S("y")});
  Call("export_include_file", {S("sub\\g.dat")});
  EXPECT_EQ(Reports(), (Msgs{"In secure mode you cannot export a file to a location.",
                                "In secure mode you cannot export a data file to sub\\g.dat"}));
  EXPECT_TRUE(guarded.s_exists);  // refused exports keep the data
}

// ---------------------------------------------------------------------------
// Programs, command line, environment, disks
// ---------------------------------------------------------------------------
TEST_F(FileTest, ExecuteProgramWaitsAndPassesItsArguments) {
  // Arguments are split as written, quotes grouping, without a shell.
  Call("execute_program", {S("/bin/sh"), S("-c \"printf '%s|' \\\"$0\\\" > args.txt\" \"two words\""), R(1)});
  EXPECT_EQ(ReadFile("args.txt"), "two words|");
  EXPECT_EQ(Reports(), Msgs{});

  // While it waits the window is kept alive between polls; without waiting
  // the call returns at once.
  static int s_polls = 0;
  s_polls = 0;
  struct CPolledWindow : CHeadlessWindow {
    void PumpEvents() override { ++s_polls; }
  } window;
  testplatform::SetWindow(&window);
  Call("execute_program", {S("sleep"), S("0.2"), R(0)});
  EXPECT_EQ(s_polls, 0);
  Call("execute_program", {S("sleep"), S("0.2"), R(0.5)});
  EXPECT_GE(s_polls, 2);
  testplatform::SetWindow(nullptr);

  Call("execute_program", {S("no_such_program_here"), S(""), R(0)});
  Call("execute_shell", {S("no_such_document.txt"), S("")});
  EXPECT_EQ(Reports(), (Msgs{"Cannot execute no_such_program_here", "Cannot execute no_such_document.txt"}));
}

TEST_F(FileTest, CommandLineAndEnvironment) {
  File_SetCommandLine({"/games/mygame", "-level", "3"});
  EXPECT_EQ(Num("parameter_count"), 2);
  EXPECT_EQ(Str("parameter_string", {R(0)}), "/games/mygame");
  EXPECT_EQ(Str("parameter_string", {R(2)}), "3");
  EXPECT_EQ(Str("parameter_string", {R(3)}), "");
  EXPECT_EQ(Str("parameter_string", {R(-1)}), "");
  File_SetCommandLine({});

  ::setenv("QUILLON_FILETEST_VAR", "value=1", 1);
  EXPECT_EQ(Str("environment_get_variable", {S("QUILLON_FILETEST_VAR")}), "value=1");
  ::unsetenv("QUILLON_FILETEST_VAR");
  EXPECT_EQ(Str("environment_get_variable", {S("QUILLON_FILETEST_VAR")}), "");
}

TEST_F(FileTest, DiskSpaceOfTheWorkingDrive) {
  const double size = Num("disk_size");
  const double free = Num("disk_free", {S("c")});
  EXPECT_GT(size, 0);
  EXPECT_GE(free, 0);
  EXPECT_LE(free, size);
  EXPECT_EQ(Num("disk_size", {S("")}), size);
  EXPECT_EQ(Num("disk_free", {S("Q:\\")}), -1);
  EXPECT_EQ(Num("disk_size", {S("D")}), -1);
}
