#include "data/DataNew_Class.h"

#include <gtest/gtest.h>

#include "dialogs/Help_Main.h"
#include "data/DataNew_Main.h"

TEST(IncludedFile, RoundTripWithAndWithoutStoredData) {
  for (bool store : {true, false}) {
    SCOPED_TRACE(store ? "stored" : "not stored");
    CDataFile in;
    in.s_filename = "music/theme.mid";
    in.s_origname = "C:\\work\\theme.mid";
    in.s_exists = true;
    in.s_size = 5;
    in.s_store = store;
    in.s_data.Write("hello", 5);
    in.s_exportaction = CDataFile::kExportDir;
    in.s_exportdir = "music";
    in.s_overwrite = true;
    in.s_freedata = false;
    in.s_removeend = false;
    CStream s;
    in.SaveToStream(s);
    s.Seek(0);
    CDataFile out;
    ASSERT_TRUE(out.LoadFromStream(s));
    EXPECT_EQ(s.Position(), s.Size());
    EXPECT_EQ(out.s_filename, in.s_filename);
    EXPECT_EQ(out.s_origname, in.s_origname);
    EXPECT_TRUE(out.s_exists);
    EXPECT_EQ(out.s_size, 5);
    EXPECT_EQ(out.s_store, store);
    EXPECT_EQ(out.s_data.Size(), store ? 5 : 0);
    EXPECT_EQ(out.s_data.Position(), 0);
    EXPECT_EQ(out.s_exportaction, CDataFile::kExportDir);
    EXPECT_EQ(out.s_exportdir, "music");
    EXPECT_TRUE(out.s_overwrite);
    EXPECT_FALSE(out.s_freedata);
    EXPECT_FALSE(out.s_removeend);
  }
}

TEST(IncludedFile, DefaultsAndAssign) {
  CDataFile d;
  EXPECT_EQ(d.s_exportaction, CDataFile::kExportAsGiven);
  EXPECT_TRUE(d.s_freedata);
  EXPECT_TRUE(d.s_removeend);
  EXPECT_FALSE(d.s_overwrite);

  CDataFile src;
  src.s_filename = "a.txt";
  src.s_exists = true;
  src.s_store = false;  // the data is not the game's: it is not copied
  src.s_data.Write("xyz", 3);
  CDataFile copy;
  copy.Assign(src);
  EXPECT_EQ(copy.s_filename, "a.txt");
  EXPECT_EQ(copy.s_data.Size(), 0);
  src.s_store = true;
  copy.Assign(src);
  EXPECT_EQ(copy.s_data.Bytes(), src.s_data.Bytes());
}

TEST(IncludedFileSection, ListAndLookups) {
  RDataFileList list;
  for (const char *name : {"one.txt", "two.txt", "one.txt"}) {
    list.push_back(std::make_unique<CDataFile>());
    list.back()->s_filename = name;
  }
  CStream s;
  DataFile_SaveSection(s, list);
  s.Seek(0);
  ASSERT_TRUE(DataFile_Load(s));
  EXPECT_EQ(DataFileFind("two.txt"), 1);
  EXPECT_EQ(DataFileFind("one.txt"), 0);
  EXPECT_EQ(DataFileFind("ONE.txt"), -1);
  EXPECT_NE(DataFileGet(2), nullptr);
  EXPECT_EQ(DataFileGet(3), nullptr);
  EXPECT_EQ(DataFileGet(-1), nullptr);
}

TEST(GameInformation, RoundTrip) {
  RGameInformation in;
  in.backcolor = 0x102030;
  in.ingamewindow = true;
  in.caption = "Help me";
  in.left = -1;
  in.top = 50;
  in.width = 800;
  in.height = 90;
  in.border = false;
  in.sizeable = false;
  in.stayontop = true;
  in.pausegame = false;
  in.text = std::string("{\\rtf1\\ansi \0x}", 15);
  CStream s;
  Help_SaveSection(s, in);
  s.Seek(0);
  ASSERT_TRUE(Help_Load(s));
  EXPECT_EQ(s.Position(), s.Size());
  const RGameInformation &o = g_GameInfo;
  EXPECT_EQ(o.backcolor, 0x102030);
  EXPECT_TRUE(o.ingamewindow);
  EXPECT_EQ(o.caption, "Help me");
  EXPECT_EQ(o.left, -1);
  EXPECT_EQ(o.top, 50);
  EXPECT_EQ(o.width, 800);
  EXPECT_EQ(o.height, 90);
  EXPECT_FALSE(o.border);
  EXPECT_FALSE(o.sizeable);
  EXPECT_TRUE(o.stayontop);
  EXPECT_FALSE(o.pausegame);
  EXPECT_EQ(o.text, in.text);
}
