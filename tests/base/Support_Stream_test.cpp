#include <sys/stat.h>
#include <unistd.h>
#include <fstream>
#include "base/Support_Stream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <functional>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "base/BM32_Bitmap.h"
#include "base/Game_Format.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes FromHex(const std::string &hex) {
  Bytes out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

Bytes Le32(int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  return {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16), static_cast<uint8_t>(u >> 24)};
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes &p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 gen(seed);
  Bytes out(n);
  for (auto &b : out) b = static_cast<uint8_t>(gen());
  return out;
}

// --- primitives -----------------------------------------------------------

struct PrimitiveCase {
  const char *name;
  std::function<void(CStream &)> write;
  Bytes bytes;
  std::function<void(CStream &)> readBack;  // asserts the value read
};

TEST(StreamPrimitives, WriteExactBytesAndReadBack) {
  const std::vector<PrimitiveCase> cases = {
      {"integer 1", [](CStream &s) { s.WriteInteger(1); }, {1, 0, 0, 0},
       [](CStream &s) { EXPECT_EQ(s.ReadInteger(), 1); }},
      {"integer -2", [](CStream &s) { s.WriteInteger(-2); }, {0xFE, 0xFF, 0xFF, 0xFF},
       [](CStream &s) { EXPECT_EQ(s.ReadInteger(), -2); }},
      {"integer min", [](CStream &s) { s.WriteInteger(INT32_MIN); }, {0, 0, 0, 0x80},
       [](CStream &s) { EXPECT_EQ(s.ReadInteger(), INT32_MIN); }},
      {"integer 0x12345678", [](CStream &s) { s.WriteInteger(0x12345678); }, {0x78, 0x56, 0x34, 0x12},
       [](CStream &s) { EXPECT_EQ(s.ReadInteger(), 0x12345678); }},
      {"real 1.0", [](CStream &s) { s.WriteReal(1.0); }, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F},
       [](CStream &s) { EXPECT_EQ(s.ReadReal(), 1.0); }},
      {"real -0.1", [](CStream &s) { s.WriteReal(-0.1); }, {0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xB9, 0xBF},
       [](CStream &s) { EXPECT_EQ(s.ReadReal(), -0.1); }},
      {"boolean true", [](CStream &s) { s.WriteBoolean(true); }, {1, 0, 0, 0},
       [](CStream &s) { EXPECT_TRUE(s.ReadBoolean()); }},
      {"boolean false", [](CStream &s) { s.WriteBoolean(false); }, {0, 0, 0, 0},
       [](CStream &s) { EXPECT_FALSE(s.ReadBoolean()); }},
      {"string abc", [](CStream &s) { s.WriteString("abc"); }, {3, 0, 0, 0, 'a', 'b', 'c'},
       [](CStream &s) { EXPECT_EQ(s.ReadString(), "abc"); }},
      {"empty string", [](CStream &s) { s.WriteString(""); }, {0, 0, 0, 0},
       [](CStream &s) { EXPECT_EQ(s.ReadString(), ""); }},
      // The length is the UTF-8 byte count: two characters, five bytes.
      {"non-ASCII string", [](CStream &s) { s.WriteString("\xC3\xA9\xE2\x82\xAC"); },
       {5, 0, 0, 0, 0xC3, 0xA9, 0xE2, 0x82, 0xAC},
       [](CStream &s) { EXPECT_EQ(s.ReadString(), "\xC3\xA9\xE2\x82\xAC"); }},
      {"string with a zero byte", [](CStream &s) { s.WriteString(std::string("a\0b", 3)); }, {3, 0, 0, 0, 'a', 0, 'b'},
       [](CStream &s) { EXPECT_EQ(s.ReadString(), std::string("a\0b", 3)); }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    CStream s;
    c.write(s);
    EXPECT_EQ(s.Bytes(), c.bytes);
    EXPECT_EQ(s.Position(), s.Size());
    s.Seek(0);
    c.readBack(s);
    EXPECT_EQ(s.Position(), s.Size());
  }
}

TEST(StreamPrimitives, BooleanIsTrueOnlyAboveZero) {
  const std::vector<std::pair<int32_t, bool>> cases = {{2, true}, {1, true}, {INT32_MAX, true},
                                                       {0, false}, {-1, false}, {INT32_MIN, false}};
  for (auto [value, expected] : cases) {
    CStream s(Le32(value));
    EXPECT_EQ(s.ReadBoolean(), expected) << value;
  }
}

TEST(StreamPrimitives, LengthOfZeroOrLessReadsAsEmptyStringAndConsumesOnlyTheLength) {
  for (int32_t n : {0, -1, -5, INT32_MIN}) {
    CStream s(Cat({Le32(n), Le32(77)}));
    EXPECT_EQ(s.ReadString(), "") << n;
    EXPECT_EQ(s.Position(), 4) << n;
    EXPECT_EQ(s.ReadInteger(), 77) << n;
  }
}

TEST(StreamPrimitives, IllFormedUtf8IsReplacedPerMaximalSubpart) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"plain", "plain"},
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},               // outside the basic plane, kept
      {"a\xFF" "b", "a\xEF\xBF\xBD" "b"},                     // byte that never starts anything
      {"a\xC3", "a\xEF\xBF\xBD"},                             // cut at the end
      {"\xE2\x82" "x", "\xEF\xBF\xBD" "x"},                   // truncated three-byte form: one mark
      {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},               // overlong: two marks
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // encoded surrogate
      {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // above U+10FFFF
      {"\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD"},               // lone continuation bytes
  };
  for (const auto &[raw, expected] : cases) {
    CStream s;
    s.WriteString(raw);
    s.Seek(0);
    EXPECT_EQ(s.ReadString(), expected) << testing::PrintToString(raw);
  }
}

TEST(StreamPrimitives, ReadPastEndRaisesAndDoesNotMove) {
  struct Case {
    const char *name;
    Bytes data;
    std::function<void(CStream &)> read;
  };
  const std::vector<Case> cases = {
      {"integer from 3 bytes", {1, 2, 3}, [](CStream &s) { s.ReadInteger(); }},
      {"real from 7 bytes", {1, 2, 3, 4, 5, 6, 7}, [](CStream &s) { s.ReadReal(); }},
      {"boolean from nothing", {}, [](CStream &s) { s.ReadBoolean(); }},
      {"string longer than the rest", Cat({Le32(5), {'a', 'b', 'c'}}), [](CStream &s) { s.ReadString(); }},
      {"raw sub-stream longer than the rest", Cat({Le32(9), {1, 2}}), [](CStream &s) { s.ReadStream(); }},
      {"raw sub-stream of negative length", Le32(-1), [](CStream &s) { s.ReadStream(); }},
      {"compressed sub-stream longer than the rest", Cat({Le32(INT32_MAX), {0x78, 0x9C}}),
       [](CStream &s) { s.ReadStreamC(); }},
      {"E layout cut in its table", Cat({Le32(0), Le32(0), Bytes(100, 1)}), [](CStream &s) { s.ReadStreamE(); }},
      {"E layout with absurd filler", Cat({Le32(INT32_MAX), Le32(0), Bytes(300, 1)}),
       [](CStream &s) { s.ReadStreamE(); }},
      {"E layout body longer than the rest", Cat({Le32(0), Le32(0), Bytes(256, 0), Le32(10), {1}}),
       [](CStream &s) { s.ReadStreamE(); }},
      {"bitmap cut in its sub-stream", Cat({Le32(1), Le32(50), {1, 2}}), [](CStream &s) { s.ReadBitmap(); }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    // A prefix shows that the position is restored, not just reset.
    Bytes data = Cat({{9, 9}, c.data});
    CStream s(data);
    s.Seek(2);
    EXPECT_THROW(c.read(s), EStreamError);
    EXPECT_EQ(s.Position(), 2);
    EXPECT_EQ(s.Bytes(), data);
  }
}

TEST(StreamBasics, SeekClampsAndWritesOverwriteOrGrow) {
  CStream s(Bytes{1, 2, 3, 4});
  s.Seek(-3);
  EXPECT_EQ(s.Position(), 0);
  s.Seek(99);
  EXPECT_EQ(s.Position(), 4);
  s.Seek(2);
  s.WriteInteger(-1);  // overwrites two bytes, appends two
  EXPECT_EQ(s.Bytes(), (Bytes{1, 2, 0xFF, 0xFF, 0xFF, 0xFF}));
  s.SetSize(3);
  EXPECT_EQ(s.Position(), 3);
  s.SetSize(5);
  EXPECT_EQ(s.Bytes(), (Bytes{1, 2, 0xFF, 0, 0}));
}

TEST(StreamBasics, CopyFromTakesCountFromPositionOrAllWhenZero) {
  CStream src(Bytes{1, 2, 3, 4, 5});
  CStream dst;
  src.Seek(3);
  dst.CopyFrom(src, 2);
  EXPECT_EQ(dst.Bytes(), (Bytes{4, 5}));
  src.Seek(4);
  dst.CopyFrom(src, 0);  // all of it, from the start
  EXPECT_EQ(dst.Bytes(), (Bytes{4, 5, 1, 2, 3, 4, 5}));
  src.Seek(4);
  EXPECT_THROW(dst.CopyFrom(src, 2), EStreamError);
  EXPECT_EQ(dst.Size(), 7);
}

// --- sub-streams ----------------------------------------------------------

TEST(StreamSubStreams, RawRoundTripRestoresSourcePosition) {
  CStream src(Bytes{5, 6, 7});
  src.Seek(1);
  CStream s;
  s.WriteInteger(42);
  s.WriteStream(src);
  EXPECT_EQ(src.Position(), 1);
  EXPECT_EQ(s.Bytes(), Cat({Le32(42), Le32(3), {5, 6, 7}}));
  s.Seek(4);
  auto sub = s.ReadStream();
  EXPECT_EQ(sub->Bytes(), (Bytes{5, 6, 7}));
  EXPECT_EQ(sub->Position(), 0);
  EXPECT_EQ(s.Position(), s.Size());

  CStream empty;
  CStream t;
  t.WriteStream(empty);
  EXPECT_EQ(t.Bytes(), Le32(0));
  t.Seek(0);
  EXPECT_EQ(t.ReadStream()->Size(), 0);
}

TEST(StreamSubStreams, CompressedRoundTripAtDefaultLevel) {
  for (size_t n : {size_t{0}, size_t{1}, size_t{1000}, size_t{300000}}) {
    SCOPED_TRACE(n);
    // Half random, half repetitive, so both deflate paths run.
    Bytes content = RandomBytes(n / 2, static_cast<uint32_t>(n));
    content.resize(n, 'q');
    CStream src(content);
    src.Seek(static_cast<int64_t>(n / 3));
    CStream s;
    s.WriteStreamC(src);
    s.WriteInteger(-9);
    EXPECT_EQ(src.Position(), static_cast<int64_t>(n / 3));
    // 78 9C is the zlib header of the default level.
    ASSERT_GE(s.Size(), 6);
    EXPECT_EQ(s.Bytes()[4], 0x78);
    EXPECT_EQ(s.Bytes()[5], 0x9C);
    s.Seek(0);
    auto sub = s.ReadStreamC();
    EXPECT_EQ(sub->Bytes(), content);
    EXPECT_EQ(sub->Position(), 0);
    EXPECT_EQ(s.ReadInteger(), -9);
  }
}

TEST(StreamSubStreams, CorruptCompressedDataRaises) {
  CStream src(RandomBytes(5000, 3));
  CStream good;
  good.WriteStreamC(src);
  const Bytes packed(good.Bytes().begin() + 4, good.Bytes().end());

  auto framed = [](const Bytes &payload) { return Cat({Le32(static_cast<int32_t>(payload.size())), payload}); };
  Bytes flipped = packed;
  flipped[packed.size() / 2] ^= 0x55;
  Bytes badChecksum = packed;
  badChecksum.back() ^= 1;
  const Bytes truncated(packed.begin(), packed.end() - 10);
  const std::vector<std::pair<const char *, Bytes>> cases = {
      {"flipped byte", framed(flipped)},
      {"bad adler checksum", framed(badChecksum)},
      {"truncated", framed(truncated)},
      {"not zlib at all", framed(Bytes{'h', 'e', 'l', 'l', 'o'})},
      {"zero length", Le32(0)},
  };
  for (const auto &[name, data] : cases) {
    SCOPED_TRACE(name);
    CStream s(data);
    EXPECT_THROW(s.ReadStreamC(), EStreamError);
    EXPECT_EQ(s.Position(), 0);
  }
}

// The filler, the table and the body of an E layout, taken apart.
struct ELayout {
  int32_t n1 = 0, n2 = 0;
  std::vector<int32_t> filler;
  Bytes table;
  Bytes body;
};

ELayout ParseE(const CStream &written) {
  CStream s(written.Bytes());
  ELayout e;
  e.n1 = s.ReadInteger();
  e.n2 = s.ReadInteger();
  for (int i = 0; i < e.n1; ++i) e.filler.push_back(s.ReadInteger());
  e.table.resize(256);
  s.Read(e.table.data(), 256);
  for (int i = 0; i < e.n2; ++i) e.filler.push_back(s.ReadInteger());
  e.body.resize(static_cast<size_t>(s.ReadInteger()));
  s.Read(e.body.data(), static_cast<int64_t>(e.body.size()));
  EXPECT_EQ(s.Position(), s.Size());
  return e;
}

TEST(StreamScrambled, WriteThenReadRoundTrips) {
  CStream::SetScrambleSeed(1234);
  for (size_t n : {size_t{0}, size_t{1}, size_t{2}, size_t{255}, size_t{256}, size_t{257}, size_t{5000}}) {
    SCOPED_TRACE(n);
    const Bytes content = RandomBytes(n, static_cast<uint32_t>(n) + 1);
    CStream src(content);
    CStream s;
    s.WriteStreamE(src);

    const ELayout e = ParseE(s);
    EXPECT_GE(e.n1, 100);
    EXPECT_LT(e.n1, 600);
    EXPECT_GE(e.n2, 100);
    EXPECT_LT(e.n2, 600);
    for (int32_t f : e.filler) {
      EXPECT_GE(f, 0);
      EXPECT_LT(f, 268435455);
    }
    EXPECT_EQ(std::set<uint8_t>(e.table.begin(), e.table.end()).size(), 256u) << "table is a permutation";
    // The source is left holding exactly the scrambled body.
    EXPECT_EQ(e.body, src.Bytes());
    if (n >= 256) {
      EXPECT_NE(e.body, content);
    }

    s.Seek(0);
    auto back = s.ReadStreamE();
    EXPECT_EQ(back->Bytes(), content);
    EXPECT_EQ(back->Position(), 0);
    EXPECT_EQ(s.Position(), s.Size());
  }
  CStream::ClearScrambleSeed();
}

TEST(StreamScrambled, FixedSeedGivesReproducibleOutput) {
  const Bytes content = RandomBytes(700, 8);
  auto write = [&](uint32_t seed) {
    CStream::SetScrambleSeed(seed);
    CStream src(content), s;
    s.WriteStreamE(src);
    return s.Bytes();
  };
  const Bytes a = write(99), b = write(99), c = write(100);
  CStream::ClearScrambleSeed();
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
}

TEST(StreamScrambled, OneByteBodyWithoutFillerIsUnchanged) {
  Bytes table(256);
  std::iota(table.begin(), table.end(), 0);
  std::reverse(table.begin(), table.end());
  CStream s(Cat({Le32(0), Le32(0), table, Le32(1), {0xA7}}));
  EXPECT_EQ(s.ReadStreamE()->Bytes(), Bytes{0xA7});
  EXPECT_EQ(s.Position(), s.Size());
}

TEST(StreamScrambled, HandBuiltLayoutDecodes) {
  // Table T[i] = 255 - i; two filler words before it, one after, and the
  // scrambled body 10 20 30, which the writer makes from 224 203 10:
  //   swaps (i=1: j=0; i=2: j=0): 224 203 10 -> 203 224 10 -> 10 224 203
  //   chain: B1 = T[(224 + 10 + 1) % 256] = 20, B2 = T[(203 + 20 + 2) % 256] = 30.
  Bytes table(256);
  for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(255 - i);
  CStream s(Cat({Le32(2), Le32(1), Le32(111), Le32(222), table, Le32(333), Le32(3), {10, 20, 30}, Le32(-4)}));
  EXPECT_EQ(s.ReadStreamE()->Bytes(), (Bytes{224, 203, 10}));
  EXPECT_EQ(s.ReadInteger(), -4);

  // A negative filler count skips nothing.
  CStream t(Cat({Le32(-3), Le32(0), table, Le32(3), {10, 20, 30}}));
  EXPECT_EQ(t.ReadStreamE()->Bytes(), (Bytes{224, 203, 10}));
}

// --- bitmaps --------------------------------------------------------------

TEST(StreamBitmap, RoundTripAndAbsentBitmap) {
  TBitmap32 bmp(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) bmp.SetPixel(x, y, 0x01020304u * static_cast<uint32_t>(x + 3 * y + 1) + 0x00808000u);
  bmp.SetPixel(0, 0, 0x00FFFFFFu);  // fully transparent white must survive

  CStream s;
  s.WriteBitmap(&bmp);
  s.WriteBitmap(nullptr);
  s.WriteInteger(31);
  s.Seek(0);
  auto back = s.ReadBitmap();
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(*back, bmp);
  EXPECT_EQ(s.ReadBitmap(), nullptr);
  EXPECT_EQ(s.ReadInteger(), 31);
  EXPECT_EQ(s.Position(), s.Size());
}

TEST(StreamBitmap, UndecodableContentGivesNoneAndStaysAligned) {
  auto compressed = [](const Bytes &content) {
    CStream src(content), s;
    s.WriteStreamC(src);
    return s.Bytes();
  };
  const std::vector<std::pair<const char *, Bytes>> cases = {
      {"not a BMP file", compressed(Bytes{'n', 'o', 'p', 'e'})},
      {"BMP header without pixels", compressed(Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0})},
      {"corrupt zlib data", Cat({Le32(5), {0x78, 0x9C, 0xFF, 0xFF, 0xFF}})},
  };
  for (const auto &[name, sub] : cases) {
    SCOPED_TRACE(name);
    CStream s(Cat({Le32(1), sub, Le32(1234)}));
    EXPECT_EQ(s.ReadBitmap(), nullptr);
    EXPECT_EQ(s.ReadInteger(), 1234);
  }
}

// --- checks ---------------------------------------------------------------

uint32_t BitwiseCrc(const uint8_t *p, size_t n) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc;
}

TEST(StreamCrc, KnownValues) {
  CStream::InitFastCRC();
  EXPECT_EQ(CStream::CalcCRC("abc", 3), 0xCADBBE3Du);
  EXPECT_EQ(CStream::CalcCRC("123456789", 9), 0x340BC6D9u);
  EXPECT_EQ(CStream::CalcCRC("abc", 0), 0xFFFFFFFFu);
  EXPECT_EQ(CStream::CalcCRC("abc", -4), 0xFFFFFFFFu);
}

TEST(StreamCrc, MatchesBytewiseCrcAtEveryLengthAndAlignment) {
  const Bytes data = RandomBytes(200, 77);
  for (size_t offset = 0; offset < 8; ++offset)
    for (size_t n = 0; n + offset <= 80; ++n)
      ASSERT_EQ(CStream::CalcCRC(data.data() + offset, static_cast<int64_t>(n)), BitwiseCrc(data.data() + offset, n))
          << "offset " << offset << " length " << n;
}

TEST(StreamRandom, MultiplyWithCarryFromOneAndOne) {
  uint32_t z = 1, w = 1;
  EXPECT_EQ(CStream::LocalRandom(z, w), 0x90694650u);
  EXPECT_EQ(z, 36969u);
  EXPECT_EQ(w, 18000u);
}

TEST(StreamCheckSum, SumsBytesModuloAMillion) {
  EXPECT_EQ(CStream(Bytes{'a', 'b', 'c'}).CheckSum(), 294);
  EXPECT_EQ(CStream().CheckSum(), 0);
  EXPECT_EQ(CStream(Bytes(4000, 255)).CheckSum(), 20000);  // 1020000 wraps
}

// --- data-file scrambling --------------------------------------------------

// A block: seed word, check word, one untouched word, then the body; the
// block itself sits behind a few bytes that belong to something else.
Bytes WadFixture(uint32_t seed, const Bytes &body) {
  return Cat({{0xAA, 0xBB, 0xCC}, Le32(static_cast<int32_t>(seed)), Le32(0), Le32(0x0EADBEEF), body});
}

Bytes PatternBody(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + 3);
  return b;
}

TEST(StreamWad, EncryptMatchesReferenceBytes) {
  // Worked out independently of this code for seed 12345 and a 300-byte body:
  // the key text QnLd12345rUnQ has CRC 0x43DBC80E, so the first 0x0E + 6 = 20
  // body bytes stay as they are; the body's CRC 0x21F1A831 is the check word.
  const Bytes expectedBody = FromHex(
      "030a11181f262d343b424950575e656c737a8188b40a970ac99943a04e4b621459d6328132fc3906a65c2dccc5b3adeb3cf03084c3b5"
      "8d5f04ce271ac9924a4f0fc53f34862eac63ddf4590ff19806014875440d32cbde5c8f08d38406640e35b31a857bd763cd6400b2f46e"
      "29ad288186e587b8b7858447f9a7238894ca5680e8cbef05214644b2ec83a0ee3dac1240e10d820c205750cfa74e1995e00b8eb206fa"
      "7dd8ce56247f636630a2662874f9baa7f648d3e645b3398fdf1432feec50ffa5978ab9edf164c35f6b967b21b45016041b3e89304789"
      "d7bc931ff8175bdc0ec587e90c556d84fa5105a3e15336609dcb0f944a82598c18e966a7909c80fa9d556786cf1227567839347f26bb"
      "f66d59c194f8abae1d6d032400242cdd5e8d324ef8db37aabc881b222930");
  CStream s(WadFixture(12345, PatternBody(300)));
  s.EncryptWad(3);
  EXPECT_EQ(s.Bytes(), Cat({{0xAA, 0xBB, 0xCC}, Le32(12345), Le32(0x21F1A831), Le32(0x0EADBEEF), expectedBody}));

  ASSERT_TRUE(s.DecryptWad(3));
  EXPECT_EQ(s.Bytes(), Cat({{0xAA, 0xBB, 0xCC}, Le32(12345), Le32(0x21F1A831), Le32(0x0EADBEEF), PatternBody(300)}));
  const std::u16string key = CStream::WadKeyText();
  EXPECT_EQ(key, std::u16string(GameFormat::kWadKeyPrefix) + u"12345" + GameFormat::kWadKeySuffix);
}

TEST(StreamWad, RoundTripOverBodySizesAndSeeds) {
  for (uint32_t seed : {0u, 12345u, 0xFFFFFFFFu}) {
    for (size_t n : {size_t{0}, size_t{1}, size_t{5}, size_t{6}, size_t{9}, size_t{300}, size_t{5001}}) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " body " << n);
      const Bytes plain = WadFixture(seed, RandomBytes(n, seed ^ static_cast<uint32_t>(n)));
      CStream s(plain);
      s.EncryptWad(3);
      // Everything before the body, but the check word, is left alone; so is
      // the tail of the body that the word walk never reaches.
      EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + 7, s.Bytes().begin()));
      EXPECT_TRUE(std::equal(plain.begin() + 11, plain.begin() + 15, s.Bytes().begin() + 11));
      if (n >= 2) {
        EXPECT_TRUE(std::equal(plain.end() - 2, plain.end(), s.Bytes().end() - 2));
      }
      if (n >= 300) {
        EXPECT_NE(s.Bytes(), plain);
      }
      EXPECT_TRUE(s.DecryptWad(3));
      EXPECT_TRUE(std::equal(plain.begin() + 15, plain.end(), s.Bytes().begin() + 15));
    }
  }
  std::u16string expectedKey = std::u16string(GameFormat::kWadKeyPrefix) + u"4294967295" + GameFormat::kWadKeySuffix;
  EXPECT_EQ(CStream::WadKeyText(), expectedKey) << "the seed reads as unsigned";
}

TEST(StreamWad, AlteredBlockFailsTheCheck) {
  const Bytes plain = WadFixture(777, RandomBytes(400, 5));
  struct Case {
    const char *name;
    size_t offset;
  };
  for (const Case &c : {Case{"body byte in the walked part", 3 + 12 + 200}, Case{"body byte in the head", 3 + 12 + 1},
                        Case{"last body byte", plain.size() - 1}, Case{"check word", 3 + 4}, Case{"seed word", 3}}) {
    SCOPED_TRACE(c.name);
    CStream s(plain);
    s.EncryptWad(3);
    s.Memory()[c.offset] ^= 0x10;
    EXPECT_FALSE(s.DecryptWad(3));
  }
}

TEST(StreamWad, BlockThatDoesNotFitFails) {
  CStream s(Bytes(11, 0));
  EXPECT_FALSE(s.DecryptWad(0));
  EXPECT_FALSE(s.DecryptWad(-1));
  EXPECT_THROW(s.EncryptWad(0), EStreamError);
  CStream t(Bytes(20, 0));
  EXPECT_FALSE(t.DecryptWad(9));
}

// --- keyed scramblers -----------------------------------------------------

TEST(StreamKeyed, EncryptMatchesReferenceTables) {
  // Bytes 0, 16, 32, ... 240 through the forward table, worked out
  // independently of this code; key -100000 leaves b negative after the
  // correction, which must still keep every swap inside the table.
  const std::vector<std::pair<int32_t, std::string>> cases = {
      {12345, "004a5b6b1c8a9aab08cadaeb4857c8a7"},  {-1000, "000f1f2f3f505f6f808f9fb0bfcfe0ef"},
      {0, "000f1f2f404f5f707f8fa0afbfd0dfef"},      {-100000, "00101f2f404f5f707f8f9fafc0cfdff0"},
      {INT32_MAX, "005a3817b9c8253646fb657586dcd5b5"}, {INT32_MIN, "000f1f2f3f4f6070808f9fafbfcfdfef"},
  };
  for (const auto &[key, hex] : cases) {
    Bytes data;
    for (int v = 0; v < 256; v += 16) data.push_back(static_cast<uint8_t>(v));
    CStream s(data);
    EXPECT_EQ(s.Encrypt(key, 0, 0), 16);
    EXPECT_EQ(s.Bytes(), FromHex(hex)) << key;
  }
  // The offset of each byte joins in the second form.
  Bytes data;
  for (int v = 0; v < 256; v += 16) data.push_back(static_cast<uint8_t>(v));
  CStream s(Cat({{1, 2, 3}, data}));
  EXPECT_EQ(s.Encrypt2(12345, 3, 16), 19);
  EXPECT_EQ(s.Bytes(), Cat({{1, 2, 3}, FromHex("3a4f5f718110a302c623e8f8eac8793d")}));
}

TEST(StreamKeyed, PairsRoundTripOnTheirRangeOnly) {
  using Op = int64_t (CStream::*)(int32_t, int64_t, int64_t);
  const std::vector<std::pair<Op, Op>> pairs = {{&CStream::Encrypt, &CStream::Decrypt},
                                                {&CStream::Encrypt2, &CStream::Decrypt2}};
  const Bytes plain = RandomBytes(600, 11);
  for (const auto &[enc, dec] : pairs) {
    for (int32_t key : {0, 1, 249, 250, 12345, -1, -251, -100000, INT32_MAX, INT32_MIN}) {
      SCOPED_TRACE(key);
      CStream s(plain);
      EXPECT_EQ((s.*enc)(key, 100, 300), 400);
      EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + 100, s.Bytes().begin()));
      EXPECT_TRUE(std::equal(plain.begin() + 400, plain.end(), s.Bytes().begin() + 400));
      EXPECT_NE(s.Bytes(), plain);
      EXPECT_EQ((s.*dec)(key, 100, 300), 400);
      EXPECT_EQ(s.Bytes(), plain);
    }
  }
}

TEST(StreamKeyed, CountAndStartAreKeptInsideTheBuffer) {
  const Bytes plain = RandomBytes(50, 12);
  CStream whole(plain), bounded(plain);
  EXPECT_EQ(whole.Encrypt(777, 10, 0), 50) << "count 0 runs to the end";
  EXPECT_EQ(bounded.Encrypt(777, 10, 40), 50);
  EXPECT_EQ(whole.Bytes(), bounded.Bytes());

  CStream over(plain);
  EXPECT_EQ(over.Encrypt(777, 10, 1000), 50) << "a count past the end stops at the end";
  EXPECT_EQ(over.Bytes(), whole.Bytes());

  CStream atEnd(plain);
  EXPECT_EQ(atEnd.Encrypt(777, 50, 0), 50);
  EXPECT_EQ(atEnd.Decrypt2(777, 50, 5), 50);
  EXPECT_EQ(atEnd.Bytes(), plain);

  CStream beyond(plain);
  EXPECT_EQ(beyond.Decrypt(777, 80, 5), 50);
  EXPECT_EQ(beyond.Bytes(), plain);

  CStream empty;
  EXPECT_EQ(empty.Encrypt2(777, 0, 0), 0);

  // Byte 0 never moves in the table.
  CStream zero(Bytes{0, 0, 0});
  zero.Encrypt(4242, 0, 0);
  EXPECT_EQ(zero.Bytes(), (Bytes{0, 0, 0}));
}

// --- hexadecimal text -----------------------------------------------------

TEST(StreamHex, ToStringIsUpperCasePairs) {
  EXPECT_EQ(CStream(Bytes{10, 31}).ConvertToString(), "0A1F");
  EXPECT_EQ(CStream().ConvertToString(), "");
  EXPECT_EQ(CStream(Bytes{0, 0xFF, 0xAB}).ConvertToString(), "00FFAB");
}

TEST(StreamHex, FromStringParsesPairs) {
  const std::vector<std::pair<std::string, Bytes>> cases = {
      {"0a", {10}}, {"0A", {10}}, {"0A1F", {10, 31}}, {"fFeE", {0xFF, 0xEE}},
      {"0A1", {10}},  // trailing odd character ignored
      {"", {}},       {"7", {}},
  };
  for (const auto &[text, bytes] : cases) {
    CStream s(Bytes{9, 9, 9});
    s.Seek(2);
    s.ConvertFromString(text);
    EXPECT_EQ(s.Bytes(), bytes) << text;
    EXPECT_EQ(s.Position(), 0) << text;
  }
}

TEST(StreamHex, RoundTripOfEveryByte) {
  Bytes all(256);
  std::iota(all.begin(), all.end(), 0);
  CStream s(all);
  CStream back;
  back.ConvertFromString(s.ConvertToString());
  EXPECT_EQ(back.Bytes(), all);
}

TEST(StreamHex, BadPairRaisesAndKeepsEarlierBytes) {
  const std::vector<std::pair<std::string, Bytes>> cases = {
      {"0A1FZZ22", {10, 31}},
      {"G0", {}},
      {"0 ", {}},
      {"01\xC3\xA9" "01", {1}},  // a non-ASCII character is no digit
      {"+1", {}},
  };
  for (const auto &[text, kept] : cases) {
    CStream s;
    EXPECT_THROW(s.ConvertFromString(text), EConvertError) << text;
    EXPECT_EQ(s.Bytes(), kept) << text;
  }
  // A non-ASCII character as the trailing odd one is ignored like any other.
  CStream s;
  s.ConvertFromString("0A\xC3\xA9");
  EXPECT_EQ(s.Bytes(), Bytes{10});
}

// --- files ----------------------------------------------------------------

class StreamFile : public testing::Test {
protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("quillon_stream_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            std::to_string(reinterpret_cast<uintptr_t>(this)));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(StreamFile, SaveReplacesTheFileAndLeavesNothingElse) {
  const std::string path = (dir_ / "data.bin").string();
  CStream first(RandomBytes(100000, 1));
  first.SaveToFile(path);
  CStream second(Bytes{1, 2, 3});
  second.SaveToFile(path);

  CStream loaded(Bytes{7, 7});
  loaded.Seek(1);
  loaded.LoadFromFile(path);
  EXPECT_EQ(loaded.Bytes(), (Bytes{1, 2, 3}));
  EXPECT_EQ(loaded.Position(), 0);
  size_t entries = 0;
  for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(dir_)) ++entries;
  EXPECT_EQ(entries, 1u) << "no temporary file is left behind";

  CStream empty;
  empty.SaveToFile(path);
  loaded.LoadFromFile(path);
  EXPECT_EQ(loaded.Size(), 0);
}

TEST_F(StreamFile, ErrorsRaiseAndKeepTheOldContent) {
  CStream s(Bytes{4, 5});
  EXPECT_THROW(s.LoadFromFile((dir_ / "missing.bin").string()), EStreamError);
  EXPECT_EQ(s.Bytes(), (Bytes{4, 5}));
  EXPECT_THROW(s.LoadFromFile(dir_.string()), EStreamError) << "a directory is no file";
  EXPECT_THROW(s.SaveToFile((dir_ / "no" / "such" / "dir.bin").string()), EStreamError);

  // A target that cannot be replaced (a directory) keeps what it was.
  const auto blocked = dir_ / "blocked";
  std::filesystem::create_directories(blocked / "inside");
  EXPECT_THROW(s.SaveToFile(blocked.string()), EStreamError);
  EXPECT_TRUE(std::filesystem::is_directory(blocked / "inside"));
  size_t entries = 0;
  for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(dir_)) ++entries;
  EXPECT_EQ(entries, 1u) << "the temporary file is removed after a failure";
}

}  // namespace

namespace {

// Saved games and other whole files: only regular files are read, and a
// write goes through one temporary name per target.
class StreamFiles : public ::testing::Test {
protected:
  void SetUp() override {
    m_dir = std::filesystem::temp_directory_path() /
            ("quillon_stream_files_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(m_dir);
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }
  std::string Path(const char *name) const { return (m_dir / name).string(); }
  std::filesystem::path m_dir;
};

TEST_F(StreamFiles, OnlyRegularFilesAreRead) {
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", Path("zero.sav"));
  std::filesystem::create_directory(Path("folder"));
  for (const char *name : {"fifo", "zero.sav", "folder", "missing"}) {
    CStream s;
    EXPECT_THROW(s.LoadFromFile(Path(name)), EStreamError) << name;
  }
  CStream out;
  out.WriteInteger(42);
  out.SaveToFile(Path("game.sav"));
  CStream in;
  in.LoadFromFile(Path("game.sav"));
  EXPECT_EQ(in.ReadInteger(), 42);
}

TEST_F(StreamFiles, AnInterruptedSaveLeavesOneFileTheNextSaveReplaces) {
  // What a save killed while writing leaves behind.
  {
    std::ofstream cut(Path("game.sav.tmp"), std::ios::binary);
    cut << "half a save";
  }
  for (int i = 0; i < 3; ++i) {
    CStream s;
    s.WriteInteger(i);
    s.SaveToFile(Path("game.sav"));
  }
  std::vector<std::string> names;
  for (const auto &e : std::filesystem::directory_iterator(m_dir)) names.push_back(e.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"game.sav"});
  // A link planted at the temporary name is not followed.
  std::filesystem::create_symlink(Path("elsewhere"), Path("game.sav.tmp"));
  CStream s;
  s.WriteInteger(7);
  EXPECT_THROW(s.SaveToFile(Path("game.sav")), EStreamError);
  EXPECT_FALSE(std::filesystem::exists(Path("elsewhere")));
}

}  // namespace
