#include "base/Support_Stream.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <system_error>

#include <zlib.h>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <unistd.h>
#endif

#include "base/BM32_Bitmap.h"
#include "base/Game_Format.h"
#include "base/Support_File.h"

namespace {

constexpr const char kReadError[] = "Stream read error";

// Nothing the runner stores inflates to more than this; a sub-stream that
// claims more is hostile or broken and must not exhaust memory.
constexpr uint64_t kMaxInflatedSize = uint64_t{1} << 30;

uint32_t LoadLE32(const uint8_t *p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void StoreLE32(uint8_t *p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// ---------------------------------------------------------------------------
// CRC-32 (reflected, polynomial 0xEDB88320), eight tables so that CalcCRC can
// take eight bytes per step. Table 0 is the classic byte-wise table; table k
// advances an entry of table k-1 by one more zero byte. The tables are built
// at compile time, so they are ready before any code can call CalcCRC.

using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr CrcTables MakeCrcTables() {
  CrcTables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1u) ? (c >> 1) ^ 0xEDB88320u : (c >> 1);
    t[0][i] = c;
  }
  for (size_t k = 1; k < 8; ++k)
    for (size_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFFu];
  return t;
}

constexpr CrcTables kCrc = MakeCrcTables();

// ---------------------------------------------------------------------------
// UTF-8 checking. Every ill-formed sequence is replaced by U+FFFD, one per
// maximal ill-formed subpart, which is what converting to UTF-16 and back
// gives; well-formed text passes through untouched.

// Length of the well-formed sequence at p (1..4), or 0 with *bad set to the
// number of bytes that form the maximal ill-formed subpart.
size_t Utf8Sequence(const uint8_t *p, size_t avail, size_t *bad) {
  const uint8_t b0 = p[0];
  if (b0 < 0x80) return 1;
  size_t need;
  uint8_t lo = 0x80, hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 3;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;  // no encoded surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 4;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    *bad = 1;
    return 0;
  }
  for (size_t k = 1; k < need; ++k) {
    const uint8_t lower = (k == 1) ? lo : 0x80;
    const uint8_t upper = (k == 1) ? hi : 0xBF;
    if (k >= avail || p[k] < lower || p[k] > upper) {
      *bad = k;
      return 0;
    }
  }
  return need;
}

std::string SanitizeUtf8(std::string s) {
  const auto *p = reinterpret_cast<const uint8_t *>(s.data());
  const size_t n = s.size();
  size_t i = 0, bad = 0;
  while (i < n) {
    const size_t len = Utf8Sequence(p + i, n - i, &bad);
    if (len == 0) break;
    i += len;
  }
  if (i == n) return s;
  std::string out(s, 0, i);
  while (i < n) {
    const size_t len = Utf8Sequence(p + i, n - i, &bad);
    if (len) {
      out.append(s, i, len);
      i += len;
    } else {
      out += "\xEF\xBF\xBD";
      i += bad;
    }
  }
  return out;
}

// ---------------------------------------------------------------------------
// zlib

std::vector<uint8_t> Inflate(const uint8_t *src, size_t size, uint64_t limit = kMaxInflatedSize) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) throw EStreamError("Cannot start decompression");
  std::vector<uint8_t> out;
  // One byte past the limit, so that content longer than allowed is noticed.
  const uint64_t cap = std::min<uint64_t>(limit, kMaxInflatedSize - 1) + 1;
  out.resize(std::min<uint64_t>(std::max<uint64_t>(uint64_t{size} * 4, 4096), cap));
  size_t done = 0;
  zs.next_in = const_cast<Bytef *>(src);
  zs.avail_in = static_cast<uInt>(size);
  int rc = Z_OK;
  for (;;) {
    if (done == out.size()) {
      if (out.size() >= cap) {
        inflateEnd(&zs);
        throw EStreamError("Compressed data too large");
      }
      out.resize(static_cast<size_t>(std::min<uint64_t>(uint64_t{out.size()} * 2, cap)));
    }
    const size_t room = std::min<size_t>(out.size() - done, std::numeric_limits<uInt>::max());
    zs.next_out = out.data() + done;
    zs.avail_out = static_cast<uInt>(room);
    rc = inflate(&zs, Z_NO_FLUSH);
    done += room - zs.avail_out;
    if (rc == Z_STREAM_END) break;
    if (rc == Z_OK) continue;
    // Z_BUF_ERROR with output room left means the input ran out: truncated.
    if (rc == Z_BUF_ERROR && zs.avail_out == 0) continue;
    inflateEnd(&zs);
    throw EStreamError(rc == Z_BUF_ERROR ? "Compressed data is truncated" : "Compressed data is corrupt");
  }
  inflateEnd(&zs);
  if (done > limit) throw EStreamError("Compressed data too large");
  out.resize(done);
  out.shrink_to_fit();
  return out;
}

std::vector<uint8_t> Deflate(const uint8_t *src, size_t size) {
  uLongf cap = compressBound(static_cast<uLong>(size));
  std::vector<uint8_t> out(cap);
  if (compress2(out.data(), &cap, src, static_cast<uLong>(size), Z_DEFAULT_COMPRESSION) != Z_OK)
    throw EStreamError("Compression failed");
  out.resize(cap);
  return out;
}

int32_t CheckedLength(uint64_t n) {
  if (n > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
    throw EStreamError("Data too large for the stream format");
  return static_cast<int32_t>(n);
}

// ---------------------------------------------------------------------------
// Shared state of the scramblers.

struct ScrambleGenerator {
  std::optional<std::mt19937> fixed;  // set by SetScrambleSeed
};
ScrambleGenerator g_scramble;

std::array<uint8_t, 256> g_forward{};
std::array<uint8_t, 256> g_inverse{};
std::u16string g_wadKey;

// The writer's "random value in 0..n-1".
uint32_t RandomBelow(std::mt19937 &gen, uint32_t n) {
  return std::uniform_int_distribution<uint32_t>(0, n - 1)(gen);
}

void BuildKeyTables(int32_t key) {
  int64_t a = key % 250 + 6;  // C++ remainder truncates towards zero
  if (a < 0) a += 256;
  int64_t b = key / 250;
  if (b < 0) b += 256;
  for (int i = 0; i < 256; ++i) {
    g_forward[i] = static_cast<uint8_t>(i);
    g_inverse[i] = static_cast<uint8_t>(i);
  }
  for (int64_t i = 1; i <= 10000; ++i) {
    int64_t r = (i * a + b) % 254;
    // Large negative keys leave b negative; the swap must still stay inside
    // the table, so the remainder is taken into 0..253.
    if (r < 0) r += 254;
    const size_t j = static_cast<size_t>(r + 1);
    std::swap(g_forward[j], g_forward[j + 1]);
  }
  for (int i = 1; i < 256; ++i) g_inverse[g_forward[i]] = static_cast<uint8_t>(i);
}

}  // namespace

// ===========================================================================
// The memory stream underneath

void CStream::Seek(int64_t pos) { m_pos = std::clamp<int64_t>(pos, 0, Size()); }

void CStream::SetSize(int64_t size) {
  if (size < 0) size = 0;
  m_data.resize(static_cast<size_t>(size));
  if (m_pos > size) m_pos = size;
}

void CStream::Clear() {
  m_data.clear();
  m_pos = 0;
}

void CStream::Read(void *dst, int64_t count) {
  if (count <= 0) {
    if (count < 0) throw EStreamError(kReadError);
    return;
  }
  if (count > Size() - m_pos) throw EStreamError(kReadError);
  std::memcpy(dst, m_data.data() + m_pos, static_cast<size_t>(count));
  m_pos += count;
}

void CStream::Write(const void *src, int64_t count) {
  if (count <= 0) return;
  const int64_t end = m_pos + count;
  if (end > Size()) m_data.resize(static_cast<size_t>(end));
  std::memmove(m_data.data() + m_pos, src, static_cast<size_t>(count));
  m_pos = end;
}

void CStream::CopyFrom(CStream &source, int64_t count) {
  if (count == 0) {
    source.Seek(0);
    count = source.Size();
  }
  if (count < 0 || count > source.Size() - source.m_pos) throw EStreamError(kReadError);
  if (&source == this) {
    std::vector<uint8_t> copy(m_data.begin() + m_pos, m_data.begin() + m_pos + count);
    m_pos += count;
    Write(copy.data(), count);
    return;
  }
  Write(source.m_data.data() + source.m_pos, count);
  source.m_pos += count;
}

void CStream::LoadFromFile(const std::string &path) {
  // Only a regular file is read: a FIFO or a device (a link to /dev/zero,
  // say) would block or never end.
  std::vector<uint8_t> data;
  if (!ReadRegularFile(path, data)) throw EStreamError("Cannot read file \"" + path + "\"");
  m_data = std::move(data);
  m_pos = 0;
}

void CStream::SaveToFile(const std::string &path, bool synced) const {
  namespace fs = std::filesystem;
  // The temporary file sits beside the target so that the rename stays on
  // one file system and replaces the old file in a single step.
  // One temporary name per target: a save cut short (the process killed
  // while writing) leaves one file that the next save of that target
  // replaces, not a new one each time. It is never followed if it is a link.
  const std::string tmp = path + ".tmp";
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
  std::FILE *f = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
  if (!f) {
    if (fd >= 0) ::close(fd);
    throw EStreamError("Cannot create file \"" + path + "\"");
  }
  bool ok = m_data.empty() || std::fwrite(m_data.data(), 1, m_data.size(), f) == m_data.size();
  ok = (std::fflush(f) == 0) && ok;
#if defined(__unix__) || defined(__APPLE__)
  ok = ok && (!synced || ::fsync(fileno(f)) == 0);
#endif
  ok = (std::fclose(f) == 0) && ok;
  std::error_code ec;
  if (ok) {
    fs::rename(tmp, path, ec);
    ok = !ec;
  }
  if (!ok) {
    fs::remove(tmp, ec);
    throw EStreamError("Cannot write file \"" + path + "\"");
  }
}

// ===========================================================================
// Primitives

int32_t CStream::ReadInteger() {
  uint8_t b[4];
  Read(b, 4);
  return static_cast<int32_t>(LoadLE32(b));
}

double CStream::ReadReal() {
  uint8_t b[8];
  Read(b, 8);
  const uint64_t bits = static_cast<uint64_t>(LoadLE32(b)) | (static_cast<uint64_t>(LoadLE32(b + 4)) << 32);
  return std::bit_cast<double>(bits);
}

bool CStream::ReadBoolean() { return ReadInteger() > 0; }

std::string CStream::ReadString() {
  const int64_t start = m_pos;
  const int32_t n = ReadInteger();
  if (n <= 0) return {};
  if (n > Size() - m_pos) {
    m_pos = start;
    throw EStreamError(kReadError);
  }
  std::string s(reinterpret_cast<const char *>(m_data.data() + m_pos), static_cast<size_t>(n));
  m_pos += n;
  return SanitizeUtf8(std::move(s));
}

std::unique_ptr<CStream> CStream::ReadStream() {
  const int64_t start = m_pos;
  const int32_t n = ReadInteger();
  if (n < 0 || n > Size() - m_pos) {
    m_pos = start;
    throw EStreamError(kReadError);
  }
  auto out = std::make_unique<CStream>(
      std::vector<uint8_t>(m_data.begin() + m_pos, m_data.begin() + m_pos + n));
  m_pos += n;
  return out;
}

std::unique_ptr<CStream> CStream::ReadStreamC() { return ReadStreamC(static_cast<int64_t>(kMaxInflatedSize) - 1); }

std::unique_ptr<CStream> CStream::ReadStreamC(int64_t maxSize) {
  const int64_t start = m_pos;
  const int32_t n = ReadInteger();
  if (n < 0 || n > Size() - m_pos || maxSize < 0) {
    m_pos = start;
    throw EStreamError(kReadError);
  }
  try {
    auto out = std::make_unique<CStream>(
        Inflate(m_data.data() + m_pos, static_cast<size_t>(n), static_cast<uint64_t>(maxSize)));
    m_pos += n;
    return out;
  } catch (...) {
    m_pos = start;
    throw;
  }
}

std::unique_ptr<CStream> CStream::ReadStreamE() {
  const int64_t start = m_pos;
  try {
    const int64_t n1 = ReadInteger();
    const int64_t n2 = ReadInteger();
    auto skip = [this](int64_t words) {
      if (words <= 0) return;
      if (words * 4 > Size() - m_pos) throw EStreamError(kReadError);
      m_pos += words * 4;
    };
    skip(n1);
    std::array<uint8_t, 256> t;
    Read(t.data(), 256);
    skip(n2);
    const int32_t len = ReadInteger();
    auto out = std::make_unique<CStream>();
    if (len > 0) {
      if (len > Size() - m_pos) throw EStreamError(kReadError);
      out->m_data.assign(m_data.begin() + m_pos, m_data.begin() + m_pos + len);
      m_pos += len;
    }
    std::array<uint8_t, 256> u{};
    for (int i = 0; i < 256; ++i) u[t[i]] = static_cast<uint8_t>(i);
    uint8_t *b = out->m_data.data();
    const int64_t count = out->Size();
    // Undo the chaining pass first: walking down, B[i-1] is still scrambled.
    for (int64_t i = count - 1; i >= 1; --i)
      b[i] = static_cast<uint8_t>(u[b[i]] - b[i - 1] - static_cast<uint8_t>(i));
    // Then the swaps, in the reverse of the order they were made.
    for (int64_t i = count - 1; i >= 0; --i) {
      const int64_t j = std::max<int64_t>(0, i - t[static_cast<size_t>(i & 0xFF)]);
      std::swap(b[i], b[j]);
    }
    return out;
  } catch (...) {
    m_pos = start;
    throw;
  }
}

std::unique_ptr<TBitmap32> CStream::ReadBitmap() {
  const int64_t start = m_pos;
  if (!ReadBoolean()) return nullptr;
  const int32_t n = ReadInteger();
  if (n < 0 || n > Size() - m_pos) {
    m_pos = start;
    throw EStreamError(kReadError);
  }
  const uint8_t *data = m_data.data() + m_pos;
  m_pos += n;
  // The sub-stream is consumed whatever it holds, so what follows it stays
  // readable; a picture that cannot be unpacked or decoded is simply absent.
  std::vector<uint8_t> bmp;
  try {
    bmp = Inflate(data, static_cast<size_t>(n));
  } catch (const EStreamError &) {
    return nullptr;
  }
  auto bitmap = std::make_unique<TBitmap32>();
  if (!bitmap->LoadFromBMP(bmp.data(), bmp.size())) return nullptr;
  return bitmap;
}

void CStream::WriteInteger(int32_t v) {
  uint8_t b[4];
  StoreLE32(b, static_cast<uint32_t>(v));
  Write(b, 4);
}

void CStream::WriteReal(double v) {
  const uint64_t bits = std::bit_cast<uint64_t>(v);
  uint8_t b[8];
  StoreLE32(b, static_cast<uint32_t>(bits));
  StoreLE32(b + 4, static_cast<uint32_t>(bits >> 32));
  Write(b, 8);
}

void CStream::WriteBoolean(bool v) { WriteInteger(v ? 1 : 0); }

void CStream::WriteString(std::string_view s) {
  WriteInteger(CheckedLength(s.size()));
  Write(s.data(), static_cast<int64_t>(s.size()));
}

void CStream::WriteStream(CStream &source) {
  const int64_t pos = source.m_pos;
  const int32_t n = CheckedLength(source.m_data.size());
  if (&source == this) {
    const std::vector<uint8_t> copy = m_data;
    WriteInteger(n);
    Write(copy.data(), n);
  } else {
    WriteInteger(n);
    Write(source.m_data.data(), n);
  }
  source.m_pos = std::min(pos, source.Size());
}

void CStream::WriteStreamC(CStream &source) {
  const int64_t pos = source.m_pos;
  const std::vector<uint8_t> packed = Deflate(source.m_data.data(), source.m_data.size());
  WriteInteger(CheckedLength(packed.size()));
  Write(packed.data(), static_cast<int64_t>(packed.size()));
  source.m_pos = std::min(pos, source.Size());
}

void CStream::SetScrambleSeed(uint32_t seed) { g_scramble.fixed.emplace(seed); }

void CStream::ClearScrambleSeed() { g_scramble.fixed.reset(); }

void CStream::WriteStreamE(CStream &source) {
  std::mt19937 clockGen;
  if (!g_scramble.fixed) {
    clockGen.seed(static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
  }
  std::mt19937 &gen = g_scramble.fixed ? *g_scramble.fixed : clockGen;

  std::array<uint8_t, 256> t;
  for (int i = 0; i < 256; ++i) t[i] = static_cast<uint8_t>(i);
  for (int i = 0; i < 256; ++i) std::swap(t[i], t[RandomBelow(gen, 255)]);
  const int32_t n1 = 100 + static_cast<int32_t>(RandomBelow(gen, 500));
  const int32_t n2 = 100 + static_cast<int32_t>(RandomBelow(gen, 500));

  const int32_t len = CheckedLength(source.m_data.size());
  // Scramble first: when the source is this very stream, the bytes must be
  // taken before the layout is appended to it.
  uint8_t *b = source.m_data.data();
  for (int64_t i = 0; i < len; ++i) {
    const int64_t j = std::max<int64_t>(0, i - t[static_cast<size_t>(i & 0xFF)]);
    std::swap(b[i], b[j]);
  }
  for (int64_t i = 1; i < len; ++i)
    b[i] = t[static_cast<uint8_t>(b[i] + b[i - 1] + static_cast<uint8_t>(i))];
  const std::vector<uint8_t> scrambled =
      (&source == this) ? m_data : std::vector<uint8_t>();
  const uint8_t *body = (&source == this) ? scrambled.data() : source.m_data.data();

  WriteInteger(n1);
  WriteInteger(n2);
  for (int32_t i = 0; i < n1; ++i) WriteInteger(static_cast<int32_t>(RandomBelow(gen, 268435455)));
  Write(t.data(), 256);
  for (int32_t i = 0; i < n2; ++i) WriteInteger(static_cast<int32_t>(RandomBelow(gen, 268435455)));
  WriteInteger(len);
  Write(body, len);
}

void CStream::WriteBitmap(const TBitmap32 *bitmap) {
  WriteBoolean(bitmap != nullptr);
  if (!bitmap) return;
  CStream file(bitmap->SaveToBMP());
  WriteStreamC(file);
}

// ===========================================================================
// Checks and scramblers

void CStream::InitFastCRC() {
  // The tables are built at compile time; this stays for the start-up
  // sequence, which asks for them to be ready before the data is checked.
}

uint32_t CStream::CalcCRC(const void *buffer, int64_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  if (size < 1 || buffer == nullptr) return crc;
  const auto *p = static_cast<const uint8_t *>(buffer);
  auto n = static_cast<uint64_t>(size);
  while (n >= 8) {
    const uint32_t one = LoadLE32(p) ^ crc;
    const uint32_t two = LoadLE32(p + 4);
    crc = kCrc[7][one & 0xFF] ^ kCrc[6][(one >> 8) & 0xFF] ^ kCrc[5][(one >> 16) & 0xFF] ^
          kCrc[4][one >> 24] ^ kCrc[3][two & 0xFF] ^ kCrc[2][(two >> 8) & 0xFF] ^
          kCrc[1][(two >> 16) & 0xFF] ^ kCrc[0][two >> 24];
    p += 8;
    n -= 8;
  }
  while (n--) crc = (crc >> 8) ^ kCrc[0][(crc ^ *p++) & 0xFF];
  return crc;
}

uint32_t CStream::LocalRandom(uint32_t &z, uint32_t &w) {
  z = 36969u * (z & 0xFFFFu) + (z >> 16);
  w = 18000u * (w & 0xFFFFu) + (w >> 16);
  return (z << 16) + (w & 0xFFFFu);
}

namespace {

// The CRC of the key text's UTF-16 bytes (low byte first), and the key text.
uint32_t WadKeyCrc(uint32_t seed, std::u16string &keyText) {
  keyText = GameFormat::kWadKeyPrefix;
  for (char c : std::to_string(seed)) keyText += static_cast<char16_t>(c);
  keyText += GameFormat::kWadKeySuffix;
  std::vector<uint8_t> bytes;
  bytes.reserve(keyText.size() * 2);
  for (char16_t c : keyText) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return CStream::CalcCRC(bytes.data(), static_cast<int64_t>(bytes.size()));
}

// XORs the body's words with the generator sequence; applying it twice with
// the same start state gives the bytes back.
void WadWalk(uint8_t *body, int64_t len, uint32_t z, uint32_t w) {
  for (int64_t i = static_cast<int64_t>(w & 0xFFu) + 6; i < len - 5; i += 4) {
    uint8_t *p = body + i;
    StoreLE32(p, LoadLE32(p) ^ CStream::LocalRandom(z, w));
  }
}

}  // namespace

bool CStream::DecryptWad(int64_t baseoffset) {
  if (baseoffset < 0 || baseoffset > Size() - 12) return false;
  uint8_t *d = m_data.data() + baseoffset;
  const uint32_t seed = LoadLE32(d);
  const uint32_t check = LoadLE32(d + 4);
  const uint32_t w = WadKeyCrc(seed, g_wadKey);
  const int64_t len = Size() - baseoffset - 12;
  WadWalk(d + 12, len, check, w);
  return CalcCRC(d + 12, len) == check;
}

void CStream::EncryptWad(int64_t baseoffset) {
  if (baseoffset < 0 || baseoffset > Size() - 12)
    throw EStreamError("No room for the data block header");
  uint8_t *d = m_data.data() + baseoffset;
  const uint32_t seed = LoadLE32(d);
  const int64_t len = Size() - baseoffset - 12;
  const uint32_t check = CalcCRC(d + 12, len);
  StoreLE32(d + 4, check);
  std::u16string key;
  WadWalk(d + 12, len, check, WadKeyCrc(seed, key));
}

const std::u16string &CStream::WadKeyText() { return g_wadKey; }

namespace {

enum class KeyedOp { Encrypt, Decrypt, Encrypt2, Decrypt2 };

int64_t RunKeyed(std::vector<uint8_t> &data, KeyedOp op, int32_t key, int64_t start, int64_t count) {
  BuildKeyTables(key);
  const auto size = static_cast<int64_t>(data.size());
  start = std::clamp<int64_t>(start, 0, size);
  if (count < 1 || count > size - start) count = size - start;
  const int64_t end = start + count;
  uint8_t *b = data.data();
  switch (op) {
    case KeyedOp::Encrypt:
      for (int64_t p = start; p < end; ++p) b[p] = g_forward[b[p]];
      break;
    case KeyedOp::Decrypt:
      for (int64_t p = start; p < end; ++p) b[p] = g_inverse[b[p]];
      break;
    case KeyedOp::Encrypt2:
      for (int64_t p = start; p < end; ++p) b[p] = g_forward[static_cast<uint8_t>(b[p] + p)];
      break;
    case KeyedOp::Decrypt2:
      for (int64_t p = start; p < end; ++p) b[p] = static_cast<uint8_t>(g_inverse[b[p]] - p);
      break;
  }
  return end;
}

}  // namespace

int64_t CStream::Encrypt(int32_t key, int64_t start, int64_t count) {
  return RunKeyed(m_data, KeyedOp::Encrypt, key, start, count);
}
int64_t CStream::Decrypt(int32_t key, int64_t start, int64_t count) {
  return RunKeyed(m_data, KeyedOp::Decrypt, key, start, count);
}
int64_t CStream::Encrypt2(int32_t key, int64_t start, int64_t count) {
  return RunKeyed(m_data, KeyedOp::Encrypt2, key, start, count);
}
int64_t CStream::Decrypt2(int32_t key, int64_t start, int64_t count) {
  return RunKeyed(m_data, KeyedOp::Decrypt2, key, start, count);
}

int32_t CStream::CheckSum() const {
  // Reducing once at the end gives the same value as after every addition;
  // the running total cannot overflow 64 bits for any buffer that fits.
  uint64_t sum = 0;
  for (uint8_t b : m_data) sum += b;
  return static_cast<int32_t>(sum % 1000000u);
}

std::string CStream::ConvertToString() const {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out(m_data.size() * 2, '0');
  for (size_t i = 0; i < m_data.size(); ++i) {
    out[2 * i] = kHex[m_data[i] >> 4];
    out[2 * i + 1] = kHex[m_data[i] & 0xF];
  }
  return out;
}

namespace {

int HexDigit(char32_t c) {
  if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
  if (c >= U'A' && c <= U'F') return static_cast<int>(c - U'A' + 10);
  if (c >= U'a' && c <= U'f') return static_cast<int>(c - U'a' + 10);
  return -1;
}

// The text's characters as the pairs see them: one per UTF-16 unit, so a
// character outside the basic plane counts twice. Only hexadecimal digits
// matter; every other character only needs its place and a printable form.
struct TextUnit {
  char32_t ch;       // the ASCII character, or 0xFFFD for anything else
  std::string text;  // how it appears in an error message
};

std::vector<TextUnit> TextUnits(std::string_view s) {
  std::vector<TextUnit> units;
  units.reserve(s.size());
  const auto *p = reinterpret_cast<const uint8_t *>(s.data());
  size_t i = 0, bad = 0;
  while (i < s.size()) {
    const size_t len = Utf8Sequence(p + i, s.size() - i, &bad);
    if (len == 1) {
      units.push_back({static_cast<char32_t>(p[i]), std::string(1, s[i])});
    } else if (len == 4) {
      units.push_back({0xFFFD, std::string(s.substr(i, 4))});
      units.push_back({0xFFFD, std::string()});
    } else if (len > 0) {
      units.push_back({0xFFFD, std::string(s.substr(i, len))});
    } else {
      units.push_back({0xFFFD, "\xEF\xBF\xBD"});
    }
    i += len ? len : bad;
  }
  return units;
}

}  // namespace

void CStream::ConvertFromString(std::string_view text) {
  Clear();
  const std::vector<TextUnit> units = TextUnits(text);
  m_data.reserve(units.size() / 2);
  for (size_t i = 0; i + 1 < units.size(); i += 2) {
    const int hi = HexDigit(units[i].ch);
    const int lo = HexDigit(units[i + 1].ch);
    if (hi < 0 || lo < 0) {
      m_pos = Size();
      throw EConvertError("'" + units[i].text + units[i + 1].text + "' is not a valid hexadecimal number");
    }
    m_data.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  m_pos = 0;
}
