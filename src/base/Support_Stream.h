// CStream: the one binary stream of the runner. The game data, every resource
// record, saved games and the data-structure texts go through it. It is an
// in-memory, growable byte buffer with a position, typed little-endian reads
// and writes, length-prefixed raw, compressed (zlib) and scrambled (E layout)
// sub-streams, stored bitmaps, a CRC-32, a multiply-with-carry generator and
// a few in-place byte scramblers.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class TBitmap32;

// Raised by a read past the end of the stream, by corrupt compressed data and
// by file errors. Loaders let it rise to the guard around the whole load.
class EStreamError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Raised by ConvertFromString at the first pair that is not hexadecimal.
class EConvertError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class CStream {
public:
  CStream() = default;
  explicit CStream(std::vector<uint8_t> bytes) : m_data(std::move(bytes)) {}

  // --- the memory stream underneath -------------------------------------
  int64_t Size() const { return static_cast<int64_t>(m_data.size()); }
  int64_t Position() const { return m_pos; }
  void Seek(int64_t pos);            // clamps to 0..Size()
  void SetSize(int64_t size);        // grows with zero bytes or truncates
  void Clear();                      // empty, position 0
  uint8_t *Memory() { return m_data.data(); }
  const uint8_t *Memory() const { return m_data.data(); }
  const std::vector<uint8_t> &Bytes() const { return m_data; }

  // Reads exactly count bytes or raises EStreamError without moving.
  void Read(void *dst, int64_t count);
  // Writes at the position, growing the buffer as needed.
  void Write(const void *src, int64_t count);
  // Appends count bytes of source from its position (all of it from 0 when
  // count is 0), as the platform stream's CopyFrom does.
  void CopyFrom(CStream &source, int64_t count);

  // Replaces the content with the file's bytes; raises EStreamError.
  void LoadFromFile(const std::string &path);
  // Writes the whole content to a file completely or not at all: it goes to
  // a temporary file beside the target that is renamed over it.
  // synced: the data reaches the disk before the file takes the name (saved
  // games, files a game writes). Scratch files in the temporary directory,
  // which goes at the end of the run, skip that wait.
  void SaveToFile(const std::string &path, bool synced = true) const;

  // --- primitives ---------------------------------------------------------
  int32_t ReadInteger();
  double ReadReal();
  bool ReadBoolean();            // true when the integer is greater than 0
  // UTF-8; a length of 0 or less is "". Ill-formed UTF-8 comes back with
  // U+FFFD in place of each bad sequence, so the text is always valid.
  std::string ReadString();
  // The sub-stream reads raise EStreamError for a length that is negative or
  // longer than the rest of the stream; a failed read leaves the position
  // where it was. ReadStreamC also raises for corrupt or truncated zlib data
  // and for content that would inflate beyond 1 GiB.
  std::unique_ptr<CStream> ReadStream();
  std::unique_ptr<CStream> ReadStreamC();
  // The same with content of at most maxSize bytes: a reader that knows how
  // much it expects refuses more before allocating it.
  std::unique_ptr<CStream> ReadStreamC(int64_t maxSize);
  std::unique_ptr<CStream> ReadStreamE();
  // None when the presence flag is false or the content is no readable BMP
  // (corrupt zlib data included); the compressed sub-stream is always
  // consumed. Only a sub-stream cut short by the end of the stream raises.
  std::unique_ptr<TBitmap32> ReadBitmap();

  void WriteInteger(int32_t v);
  void WriteReal(double v);
  void WriteBoolean(bool v);
  void WriteString(std::string_view s);
  void WriteStream(CStream &source);
  void WriteStreamC(CStream &source);
  // Scrambles source in place and writes the E layout (the writer's side).
  void WriteStreamE(CStream &source);
  // WriteStreamE draws its table and filler from a generator seeded from the
  // clock. After SetScrambleSeed every later WriteStreamE continues one
  // generator seeded with that value instead, so a packer run or a test gives
  // the same bytes every time; ClearScrambleSeed returns to the clock.
  static void SetScrambleSeed(uint32_t seed);
  static void ClearScrambleSeed();
  void WriteBitmap(const TBitmap32 *bitmap);

  // --- checks and scramblers ---------------------------------------------
  // The CRC tables are built at compile time, so CalcCRC is safe at any
  // moment; InitFastCRC remains for the start-up sequence and does nothing.
  static void InitFastCRC();
  static uint32_t CalcCRC(const void *buffer, int64_t size);
  static uint32_t LocalRandom(uint32_t &z, uint32_t &w);

  // Descrambles the block at baseoffset in place (seed word, check word, one
  // untouched word, body) and verifies the body's CRC against the check word.
  // Answers false when the check fails; the loader then ends the process.
  bool DecryptWad(int64_t baseoffset);
  // The writer's side of DecryptWad: with the seed word already in place,
  // stores the body's CRC as the check word and scrambles the body.
  void EncryptWad(int64_t baseoffset);
  // The key text DecryptWad built last (kept for the rest of the process).
  static const std::u16string &WadKeyText();

  // Keyed byte substitution over [start, start + count); a count below 1
  // means to the end. The range is clipped to the buffer. Answers the offset
  // after the last byte processed.
  int64_t Encrypt(int32_t key, int64_t start, int64_t count);
  int64_t Decrypt(int32_t key, int64_t start, int64_t count);
  int64_t Encrypt2(int32_t key, int64_t start, int64_t count);
  int64_t Decrypt2(int32_t key, int64_t start, int64_t count);

  int32_t CheckSum() const;
  std::string ConvertToString() const;
  void ConvertFromString(std::string_view text);

private:
  std::vector<uint8_t> m_data;
  int64_t m_pos = 0;
};
