#include "base/BM32_PNG.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <zlib.h>

#include "base/BM32_Bitmap.h"

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint32_t kMaxSide = 16384;
// The inflated picture data may not exceed this; a loading picture is far
// smaller, and hostile headers must not make us allocate gigabytes.
constexpr uint64_t kMaxRawBytes = uint64_t(1) << 28;

uint32_t BigEndian32(const uint8_t *p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

struct Header {
  uint32_t width = 0, height = 0;
  int depth = 0, colorType = 0, interlace = 0;
  int channels = 0;
  int bitsPerPixel = 0;
};

struct Pass {
  uint32_t x0, y0, dx, dy;
};
constexpr Pass kWhole[1] = {{0, 0, 1, 1}};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

uint32_t PassSize(uint32_t full, uint32_t start, uint32_t step) {
  return full > start ? (full - start + step - 1) / step : 0;
}

uint64_t RowBytes(uint32_t width, int bitsPerPixel) { return (uint64_t(width) * bitsPerPixel + 7) / 8; }

bool CheckHeader(const uint8_t *p, Header &h, std::string &why) {
  h.width = BigEndian32(p);
  h.height = BigEndian32(p + 4);
  h.depth = p[8];
  h.colorType = p[9];
  h.interlace = p[12];
  if (h.width == 0 || h.height == 0 || h.width > kMaxSide || h.height > kMaxSide) {
    why = "unsupported picture size " + std::to_string(h.width) + "x" + std::to_string(h.height);
    return false;
  }
  if (p[10] != 0 || p[11] != 0 || h.interlace > 1) {
    why = "unknown compression, filter or interlace method";
    return false;
  }
  const int d = h.depth;
  bool ok = false;
  switch (h.colorType) {
    case 0: h.channels = 1; ok = d == 1 || d == 2 || d == 4 || d == 8 || d == 16; break;
    case 2: h.channels = 3; ok = d == 8 || d == 16; break;
    case 3: h.channels = 1; ok = d == 1 || d == 2 || d == 4 || d == 8; break;
    case 4: h.channels = 2; ok = d == 8 || d == 16; break;
    case 6: h.channels = 4; ok = d == 8 || d == 16; break;
    default: break;
  }
  if (!ok) {
    why = "unsupported colour type " + std::to_string(h.colorType) + " with bit depth " + std::to_string(d);
    return false;
  }
  h.bitsPerPixel = h.channels * h.depth;
  return true;
}

bool Inflate(const std::vector<uint8_t> &compressed, std::vector<uint8_t> &raw, std::string &why) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) {
    why = "cannot start decompression";
    return false;
  }
  z.next_in = const_cast<Bytef *>(compressed.data());
  z.avail_in = static_cast<uInt>(compressed.size());
  z.next_out = raw.data();
  z.avail_out = static_cast<uInt>(raw.size());
  int rc = Z_OK;
  while (rc == Z_OK && z.avail_out > 0) rc = inflate(&z, Z_NO_FLUSH);
  const bool full = z.avail_out == 0;
  inflateEnd(&z);
  // Picture data past what the header asks for is ignored, as readers do.
  if (!full) {
    why = rc == Z_STREAM_END || rc == Z_BUF_ERROR ? "picture data too short" : "corrupt compressed picture data";
    return false;
  }
  return true;
}

uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

// Undoes the row filters of one pass in place; rows are 1 + rowBytes long.
bool Unfilter(uint8_t *rows, uint32_t height, size_t rowBytes, size_t bpp, std::string &why) {
  const uint8_t *prior = nullptr;
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t *row = rows + y * (rowBytes + 1);
    const uint8_t filter = row[0];
    uint8_t *cur = row + 1;
    for (size_t i = 0; i < rowBytes; ++i) {
      const int a = i >= bpp ? cur[i - bpp] : 0;
      const int b = prior ? prior[i] : 0;
      const int c = prior && i >= bpp ? prior[i - bpp] : 0;
      switch (filter) {
        case 0: break;
        case 1: cur[i] = static_cast<uint8_t>(cur[i] + a); break;
        case 2: cur[i] = static_cast<uint8_t>(cur[i] + b); break;
        case 3: cur[i] = static_cast<uint8_t>(cur[i] + ((a + b) >> 1)); break;
        case 4: cur[i] = static_cast<uint8_t>(cur[i] + Paeth(a, b, c)); break;
        default: why = "unknown row filter " + std::to_string(filter); return false;
      }
    }
    prior = cur;
  }
  return true;
}

// Sample k of a row (depth 1..16 bits), as its raw value.
uint32_t Sample(const uint8_t *row, uint64_t k, int depth) {
  if (depth == 8) return row[k];
  if (depth == 16) return (uint32_t(row[2 * k]) << 8) | row[2 * k + 1];
  const uint64_t bit = k * depth;
  const int shift = 8 - depth - static_cast<int>(bit % 8);
  return (row[bit / 8] >> shift) & ((1u << depth) - 1);
}

uint8_t To8(uint32_t v, int depth) {
  switch (depth) {
    case 1: return v ? 255 : 0;
    case 2: return static_cast<uint8_t>(v * 85);
    case 4: return static_cast<uint8_t>(v * 17);
    case 16: return static_cast<uint8_t>(v >> 8);
    default: return static_cast<uint8_t>(v);
  }
}

TColor32 Argb(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
  return (TColor32(a) << 24) | (TColor32(r) << 16) | (TColor32(g) << 8) | b;
}

}  // namespace

bool IsPng(const uint8_t *data, size_t size) { return size >= 8 && std::memcmp(data, kSignature, 8) == 0; }

bool DecodePng(const uint8_t *data, size_t size, TBitmap32 &out, std::string &why) {
  out = TBitmap32();
  if (!IsPng(data, size)) {
    why = "no PNG signature";
    return false;
  }
  Header h;
  bool haveHeader = false, haveEnd = false;
  std::vector<TColor32> palette;
  std::vector<uint8_t> paletteAlpha;
  bool haveKey = false;
  std::array<uint32_t, 3> key{};
  std::vector<uint8_t> compressed;

  size_t pos = 8;
  while (!haveEnd) {
    if (size - pos < 12) {
      why = "truncated file";
      return false;
    }
    const uint32_t len = BigEndian32(data + pos);
    const uint8_t *type = data + pos + 4;
    if (len > size - pos - 12) {
      why = "truncated file";
      return false;
    }
    const uint8_t *body = data + pos + 8;
    const uint32_t crc = static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), type, len + 4));
    if (crc != BigEndian32(body + len)) {
      why = "checksum error in chunk " + std::string(reinterpret_cast<const char *>(type), 4);
      return false;
    }
    pos += 12 + size_t(len);
    const std::string name(reinterpret_cast<const char *>(type), 4);
    if (!haveHeader && name != "IHDR") {
      why = "the first chunk is not IHDR";
      return false;
    }
    if (name == "IHDR") {
      if (haveHeader || len != 13) {
        why = "bad IHDR chunk";
        return false;
      }
      if (!CheckHeader(body, h, why)) return false;
      haveHeader = true;
    } else if (name == "PLTE") {
      if (len % 3 != 0 || len / 3 > 256 || len == 0) {
        why = "bad palette";
        return false;
      }
      palette.clear();
      for (uint32_t i = 0; i < len; i += 3) palette.push_back(Argb(255, body[i], body[i + 1], body[i + 2]));
    } else if (name == "tRNS") {
      if (h.colorType == 3) {
        paletteAlpha.assign(body, body + std::min<uint32_t>(len, 256));
      } else if ((h.colorType == 0 && len == 2) || (h.colorType == 2 && len == 6)) {
        haveKey = true;
        for (uint32_t i = 0; i < len / 2; ++i) key[i] = (uint32_t(body[2 * i]) << 8) | body[2 * i + 1];
      }
    } else if (name == "IDAT") {
      if (compressed.size() + len > kMaxRawBytes) {
        why = "picture data too large";
        return false;
      }
      compressed.insert(compressed.end(), body, body + len);
    } else if (name == "IEND") {
      haveEnd = true;
    } else if (name[0] >= 'A' && name[0] <= 'Z') {
      why = "unknown critical chunk " + name;
      return false;
    }
  }
  if (h.colorType == 3 && palette.empty()) {
    why = "palette missing";
    return false;
  }

  const Pass *passes = h.interlace ? kAdam7 : kWhole;
  const int passCount = h.interlace ? 7 : 1;
  uint64_t total = 0;
  for (int p = 0; p < passCount; ++p) {
    const uint32_t pw = PassSize(h.width, passes[p].x0, passes[p].dx);
    const uint32_t ph = PassSize(h.height, passes[p].y0, passes[p].dy);
    if (pw && ph) total += uint64_t(ph) * (1 + RowBytes(pw, h.bitsPerPixel));
  }
  if (total > kMaxRawBytes) {
    why = "picture too large";
    return false;
  }
  std::vector<uint8_t> raw(static_cast<size_t>(total));
  if (!Inflate(compressed, raw, why)) return false;

  TBitmap32 bmp(static_cast<int>(h.width), static_cast<int>(h.height));
  const size_t bpp = static_cast<size_t>(std::max(1, h.bitsPerPixel / 8));
  uint8_t *at = raw.data();
  for (int p = 0; p < passCount; ++p) {
    const Pass &ps = passes[p];
    const uint32_t pw = PassSize(h.width, ps.x0, ps.dx);
    const uint32_t ph = PassSize(h.height, ps.y0, ps.dy);
    if (!pw || !ph) continue;
    const size_t rowBytes = static_cast<size_t>(RowBytes(pw, h.bitsPerPixel));
    if (!Unfilter(at, ph, rowBytes, bpp, why)) return false;
    for (uint32_t j = 0; j < ph; ++j) {
      const uint8_t *row = at + j * (rowBytes + 1) + 1;
      for (uint32_t i = 0; i < pw; ++i) {
        const uint64_t k = uint64_t(i) * h.channels;
        const auto s = [&](int c) { return Sample(row, k + c, h.depth); };
        TColor32 c = 0;
        switch (h.colorType) {
          case 0: {
            const uint32_t g = s(0);
            const uint8_t v = To8(g, h.depth);
            c = Argb(haveKey && g == key[0] ? 0 : 255, v, v, v);
            break;
          }
          case 2: {
            const uint32_t r = s(0), g = s(1), b = s(2);
            const bool keyed = haveKey && r == key[0] && g == key[1] && b == key[2];
            c = Argb(keyed ? 0 : 255, To8(r, h.depth), To8(g, h.depth), To8(b, h.depth));
            break;
          }
          case 3: {
            const uint32_t index = s(0);
            if (index >= palette.size()) {
              why = "palette index out of range";
              return false;
            }
            c = palette[index];
            if (index < paletteAlpha.size()) c = (c & 0x00FFFFFFu) | (TColor32(paletteAlpha[index]) << 24);
            break;
          }
          case 4: {
            const uint8_t v = To8(s(0), h.depth);
            c = Argb(To8(s(1), h.depth), v, v, v);
            break;
          }
          default:
            c = Argb(To8(s(3), h.depth), To8(s(0), h.depth), To8(s(1), h.depth), To8(s(2), h.depth));
            break;
        }
        bmp.SetPixel(static_cast<int>(ps.x0 + i * ps.dx), static_cast<int>(ps.y0 + j * ps.dy), c);
      }
    }
    at += size_t(ph) * (rowBytes + 1);
  }
  out = std::move(bmp);
  return true;
}

namespace {

void PutBig32(std::vector<uint8_t> &out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t> &out, const char *type, const std::vector<uint8_t> &data) {
  PutBig32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, out.data() + start, static_cast<uInt>(out.size() - start));
  PutBig32(out, static_cast<uint32_t>(crc));
}

}  // namespace

std::vector<uint8_t> EncodePng(const TBitmap32 &bitmap) {
  const uint32_t w = static_cast<uint32_t>(std::max(bitmap.Width(), 0));
  const uint32_t h = static_cast<uint32_t>(std::max(bitmap.Height(), 0));
  std::vector<uint8_t> rows;
  rows.reserve(static_cast<size_t>(h) * (1 + static_cast<size_t>(w) * 4));
  for (uint32_t y = 0; y < h; ++y) {
    rows.push_back(0);
    for (uint32_t x = 0; x < w; ++x) {
      const TColor32 c = bitmap.Pixel(static_cast<int>(x), static_cast<int>(y));
      rows.push_back(static_cast<uint8_t>(c >> 16));
      rows.push_back(static_cast<uint8_t>(c >> 8));
      rows.push_back(static_cast<uint8_t>(c));
      rows.push_back(static_cast<uint8_t>(c >> 24));
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size())) != Z_OK) return {};
  packed.resize(packedSize);

  std::vector<uint8_t> out = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> header;
  PutBig32(header, w);
  PutBig32(header, h);
  header.insert(header.end(), {8, 6, 0, 0, 0});
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", packed);
  PutChunk(out, "IEND", {});
  return out;
}
