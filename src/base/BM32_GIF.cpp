#include "base/BM32_GIF.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include <gif_lib.h>

namespace {

// All frames of one file together may hold no more pixels than this: a GIF of
// a few bytes can name a large screen and hundreds of tiny images, each of
// which becomes a whole frame.
constexpr uint64_t kMaxTotalPixels = uint64_t{1} << 26;

struct MemoryReader {
  const uint8_t *data;
  size_t size;
  size_t pos;
};

int ReadFromMemory(GifFileType *gif, GifByteType *buffer, int length) {
  auto *r = static_cast<MemoryReader *>(gif->UserData);
  const size_t n = std::min(static_cast<size_t>(std::max(length, 0)), r->size - r->pos);
  if (n > 0) std::memcpy(buffer, r->data + r->pos, n);
  r->pos += n;
  return static_cast<int>(n);
}

struct GifCloser {
  void operator()(GifFileType *gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

std::string Reason(const char *what, int code) {
  const char *s = GifErrorString(code);
  return std::string(what) + (s ? std::string(": ") + s : std::string());
}

GraphicsControlBlock NoControl() {
  GraphicsControlBlock g{};
  g.DisposalMode = DISPOSAL_UNSPECIFIED;
  g.TransparentColor = NO_TRANSPARENT_COLOR;
  return g;
}

// Reads an extension to its end; a graphics control block there sets how the
// next image is drawn and disposed of.
bool ReadExtension(GifFileType *gif, GraphicsControlBlock &control) {
  int code = 0;
  GifByteType *block = nullptr;
  if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
  GraphicsControlBlock g = NoControl();
  if (code == GRAPHICS_EXT_FUNC_CODE && block && DGifExtensionToGCB(block[0], block + 1, &g) == GIF_OK) control = g;
  while (block)
    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
  return true;
}

// Skips the compressed data of an image that has no pixels to read.
bool SkipImageData(GifFileType *gif) {
  int codeSize = 0;
  GifByteType *block = nullptr;
  if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR) return false;
  while (block)
    if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return false;
  return true;
}

// The row of the image that the k-th line of its data fills.
int RowOf(int k, int height, bool interlaced) {
  if (!interlaced) return k;
  static constexpr int kStart[4] = {0, 4, 2, 1};
  static constexpr int kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    const int rows = height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
    if (k < rows) return kStart[pass] + k * kStep[pass];
    k -= rows;
  }
  return height;  // not reached for k < height
}

bool DecodeUpTo(const uint8_t *data, size_t size, size_t maxFrames, std::vector<TBitmap32> &frames,
                std::string &why) {
  frames.clear();
  if (!IsGif(data, size)) {
    why = "no GIF signature";
    return false;
  }
  MemoryReader reader{data, size, 0};
  int error = 0;
  GifHandle gif(DGifOpen(&reader, ReadFromMemory, &error));
  if (!gif) {
    why = Reason("unreadable GIF header", error);
    return false;
  }

  std::vector<TBitmap32> out;
  TBitmap32 canvas;
  GraphicsControlBlock control = NoControl();
  std::vector<GifPixelType> line;
  uint64_t total = 0;
  // Past the last whole image, a missing trailer or stray bytes end the
  // file as the trailer would: the images already read are kept.
  const auto endOrFail = [&](const char *what) {
    if (!out.empty()) return true;
    why = Reason(what, gif->Error);
    return false;
  };

  while (out.size() < maxFrames) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) {
      if (!endOrFail("GIF cut short before its first image")) return false;
      break;
    }
    if (type == TERMINATE_RECORD_TYPE) break;
    if (type == EXTENSION_RECORD_TYPE) {
      if (!ReadExtension(gif.get(), control)) {
        if (!endOrFail("GIF cut short before its first image")) return false;
        break;
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;  // giflib reports others as errors
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
      why = Reason("bad image descriptor", gif->Error);
      return false;
    }
    const GifImageDesc desc = gif->Image;
    const ColorMapObject *map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!map || !map->Colors || map->ColorCount <= 0) {
      why = "image without a colour table";
      return false;
    }
    // A screen of no width or height is taken as large enough for the first
    // image, not as the single pixel it would otherwise leave.
    int64_t w = canvas.Width(), h = canvas.Height();
    if (canvas.Empty()) {
      w = std::max<int64_t>(gif->SWidth > 0 ? gif->SWidth : int64_t{desc.Left} + desc.Width, 1);
      h = std::max<int64_t>(gif->SHeight > 0 ? gif->SHeight : int64_t{desc.Top} + desc.Height, 1);
    }
    total += static_cast<uint64_t>(w) * static_cast<uint64_t>(h);
    if (total > kMaxTotalPixels) {
      why = out.empty() ? "GIF screen too large" : "GIF frames too large in all";
      return false;
    }
    if (canvas.Empty()) canvas.SetSize(static_cast<int>(w), static_cast<int>(h), kGifCanvasFill);

    if (desc.Width <= 0 || desc.Height <= 0) {
      if (!SkipImageData(gif.get())) {
        why = Reason("image data cut short or corrupt", gif->Error);
        return false;
      }
    } else {
      line.resize(static_cast<size_t>(desc.Width));
      for (int k = 0; k < desc.Height; ++k) {
        if (DGifGetLine(gif.get(), line.data(), desc.Width) == GIF_ERROR) {
          why = Reason("image data cut short or corrupt", gif->Error);
          return false;
        }
        const int64_t y = int64_t{desc.Top} + RowOf(k, desc.Height, desc.Interlace);
        if (y >= canvas.Height()) continue;
        const int64_t width = std::min<int64_t>(desc.Width, int64_t{canvas.Width()} - desc.Left);
        for (int64_t x = 0; x < width; ++x) {
          const int index = line[static_cast<size_t>(x)];
          if (index == control.TransparentColor) continue;
          TColor32 c = 0xFF000000u;  // an index past the table shows black
          if (index < map->ColorCount) {
            const GifColorType &rgb = map->Colors[index];
            c |= (TColor32{rgb.Red} << 16) | (TColor32{rgb.Green} << 8) | rgb.Blue;
          }
          canvas.SetPixel(static_cast<int>(desc.Left + x), static_cast<int>(y), c);
        }
      }
    }
    out.push_back(canvas);
    if (control.DisposalMode != DISPOSE_DO_NOT)
      std::fill_n(canvas.Bits(), static_cast<size_t>(canvas.Width()) * canvas.Height(), kGifCanvasFill);
    control = NoControl();
  }
  if (out.empty()) {
    why = "GIF without images";
    return false;
  }
  frames = std::move(out);
  return true;
}

}  // namespace

bool IsGif(const uint8_t *data, size_t size) {
  return size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0);
}

bool DecodeGifFrames(const uint8_t *data, size_t size, std::vector<TBitmap32> &frames, std::string &why) {
  return DecodeUpTo(data, size, std::numeric_limits<size_t>::max(), frames, why);
}

bool DecodeGif(const uint8_t *data, size_t size, TBitmap32 &out, std::string &why) {
  std::vector<TBitmap32> frames;
  out = TBitmap32();
  if (!DecodeUpTo(data, size, 1, frames, why)) return false;
  out = std::move(frames[0]);
  return true;
}
