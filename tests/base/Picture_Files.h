// Small GIF and JPEG files made in the test itself with the encoders of
// giflib and libjpeg, so that every fixture shows what it holds.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>

#include "base/BM32_Bitmap.h"

namespace picture {

// One image of a GIF: where it goes, its colour indices row by row from the
// top, and how it is drawn and disposed of.
struct GifImage {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<uint8_t> indices;
  int transparent = NO_TRANSPARENT_COLOR;
  int disposal = DISPOSAL_UNSPECIFIED;
  bool interlaced = false;
  std::vector<uint32_t> localColours;  // 0xRRGGBB; empty: the global table
  bool control = true;                 // write a graphics control block
};

namespace detail {

inline int AppendBytes(GifFileType *gif, const GifByteType *data, int length) {
  auto *out = static_cast<std::vector<uint8_t> *>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

// A colour table padded to a power of two, as GIF tables are.
inline ColorMapObject *MakeMap(const std::vector<uint32_t> &rgb) {
  if (rgb.empty()) return nullptr;
  int count = 2;
  while (count < static_cast<int>(rgb.size())) count *= 2;
  std::vector<GifColorType> colours(static_cast<size_t>(count), GifColorType{0, 0, 0});
  for (size_t i = 0; i < rgb.size(); ++i)
    colours[i] = GifColorType{static_cast<GifByteType>(rgb[i] >> 16), static_cast<GifByteType>(rgb[i] >> 8),
                              static_cast<GifByteType>(rgb[i])};
  return GifMakeMapObject(count, colours.data());
}

// The rows of an image in the order an interlaced file stores them.
inline std::vector<int> StoredRowOrder(int height, bool interlaced) {
  std::vector<int> rows;
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = start[pass]; y < height; y += step[pass]) rows.push_back(y);
  return rows;
}

}  // namespace detail

// A whole GIF89a file: the logical screen, the global colour table
// (0xRRGGBB each; may be empty) and the images.
inline std::vector<uint8_t> WriteGif(int width, int height, const std::vector<uint32_t> &global,
                                     const std::vector<GifImage> &images) {
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType *gif = EGifOpen(&out, detail::AppendBytes, &error);
  if (!gif) throw std::runtime_error("EGifOpen failed");
  EGifSetGifVersion(gif, true);
  ColorMapObject *map = detail::MakeMap(global);
  bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK;
  GifFreeMapObject(map);
  for (const GifImage &im : images) {
    if (!ok) break;
    if (im.control) {
      GraphicsControlBlock gcb{};
      gcb.DisposalMode = im.disposal;
      gcb.TransparentColor = im.transparent;
      GifByteType ext[4];
      const size_t len = EGifGCBToExtension(&gcb, ext);
      ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(len), ext) == GIF_OK;
    }
    ColorMapObject *local = detail::MakeMap(im.localColours);
    ok = ok && EGifPutImageDesc(gif, im.left, im.top, im.width, im.height, im.interlaced, local) == GIF_OK;
    GifFreeMapObject(local);
    std::vector<GifPixelType> line(static_cast<size_t>(im.width));
    for (int y : detail::StoredRowOrder(im.height, im.interlaced)) {
      if (!ok) break;
      for (int x = 0; x < im.width; ++x) line[static_cast<size_t>(x)] = im.indices[static_cast<size_t>(y * im.width + x)];
      ok = EGifPutLine(gif, line.data(), im.width) == GIF_OK;
    }
  }
  if (EGifCloseFile(gif, &error) != GIF_OK || !ok) throw std::runtime_error("writing the GIF failed");
  return out;
}

// Colour spaces a test JPEG is written in.
enum class JpegKind { Colour, Progressive, Grey, Cmyk };

// A JPEG of the picture at quality 100 (without chroma subsampling, so that
// flat colours come back within a step or two). Grey takes the green
// channel; CMYK stores red, green and blue as inverted inks with no black, as
// Adobe's tools do.
inline std::vector<uint8_t> WriteJpeg(const TBitmap32 &picture, JpegKind kind = JpegKind::Colour) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char *buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = static_cast<JDIMENSION>(picture.Width());
  c.image_height = static_cast<JDIMENSION>(picture.Height());
  const bool grey = kind == JpegKind::Grey, cmyk = kind == JpegKind::Cmyk;
  c.input_components = grey ? 1 : 4;
  c.in_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  for (int k = 0; k < c.num_components; ++k) c.comp_info[k].h_samp_factor = c.comp_info[k].v_samp_factor = 1;
  if (kind == JpegKind::Progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(picture.Width()) * 4);
  while (c.next_scanline < c.image_height) {
    const int y = static_cast<int>(c.next_scanline);
    for (int x = 0; x < picture.Width(); ++x) {
      const TColor32 p = picture.Pixel(x, y);
      const JSAMPLE r = static_cast<JSAMPLE>(p >> 16), g = static_cast<JSAMPLE>(p >> 8), b = static_cast<JSAMPLE>(p);
      JSAMPLE *o = &row[static_cast<size_t>(x) * 4];
      if (grey) {
        row[static_cast<size_t>(x)] = g;
      } else if (cmyk) {
        o[0] = r; o[1] = g; o[2] = b; o[3] = 255;
      } else {
        o[0] = b; o[1] = g; o[2] = r; o[3] = 255;
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

// Vertical bands of the given colours (0xRRGGBB), each band wide pixels.
inline TBitmap32 Bands(const std::vector<uint32_t> &colours, int wide, int height) {
  TBitmap32 bm(static_cast<int>(colours.size()) * wide, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < bm.Width(); ++x) bm.SetPixel(x, y, 0xFF000000u | colours[static_cast<size_t>(x / wide)]);
  return bm;
}

// Whether two colours differ by at most tolerance in each channel.
inline bool Near(TColor32 a, TColor32 b, int tolerance = 3) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (d > tolerance || d < -tolerance) return false;
  }
  return true;
}

}  // namespace picture
