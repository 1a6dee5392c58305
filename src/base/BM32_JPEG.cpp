#include "base/BM32_JPEG.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "base/BM32_Bitmap.h"

namespace {

constexpr JDIMENSION kMaxSide = 16384;
constexpr uint64_t kMaxPixels = uint64_t{1} << 26;
constexpr long kMaxDecoderMemory = 256L << 20;
// Progressive files may repeat scans without end; each one costs a pass over
// the whole picture.
constexpr int kMaxScans = 1000;

// The library reports errors through these hooks. It must never print or
// end the process, so a fatal error jumps back to the step that started
// the work, and a warning (damaged or missing data that the library would
// paper over with grey) is made fatal too.
struct JpegErrors {
  jpeg_error_mgr mgr;  // first: the library hands back a pointer to it
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

struct JpegSession {
  jpeg_decompress_struct info;
  JpegErrors errors;
  jpeg_progress_mgr progress;
};

[[noreturn]] void Fail(j_common_ptr cinfo) {
  auto *errors = reinterpret_cast<JpegErrors *>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, errors->message);
  std::longjmp(errors->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level) {
  // Bytes skipped before a marker leave the picture whole.
  if (level < 0 && cinfo->err->msg_code != JWRN_EXTRANEOUS_DATA) Fail(cinfo);
}

void Silent(j_common_ptr) {}

void OnProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= kMaxScans) return;
  auto *errors = reinterpret_cast<JpegErrors *>(cinfo->err);
  std::snprintf(errors->message, sizeof errors->message, "more than %d scans", kMaxScans);
  std::longjmp(errors->jump, 1);
}

bool Create(JpegSession *s) {
  if (setjmp(s->errors.jump)) return false;
  jpeg_create_decompress(&s->info);
  s->info.mem->max_memory_to_use = kMaxDecoderMemory;
  s->info.progress = &s->progress;
  return true;
}

bool CmykOutput(const jpeg_decompress_struct &info) {
  return info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
}

// Reads the header, checks the size and starts decompressing. The frames
// that call into the library hold nothing that needs destroying, so the
// error jump may leave them.
bool Start(JpegSession *s, const uint8_t *data, size_t size) {
  if (setjmp(s->errors.jump)) return false;
  jpeg_mem_src(&s->info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&s->info, TRUE);
  if (s->info.image_width > kMaxSide || s->info.image_height > kMaxSide ||
      uint64_t{s->info.image_width} * s->info.image_height > kMaxPixels) {
    std::snprintf(s->errors.message, sizeof s->errors.message, "picture too large (%ux%u)",
                  static_cast<unsigned>(s->info.image_width), static_cast<unsigned>(s->info.image_height));
    return false;
  }
  // Grey and colour pictures come out directly in the pixel order of
  // TBitmap32 (blue, green, red, alpha 255); CMYK is converted row by row.
  s->info.out_color_space = CmykOutput(s->info) ? JCS_CMYK : JCS_EXT_BGRA;
  jpeg_start_decompress(&s->info);
  return true;
}

void CmykToPixels(const JSAMPLE *cmyk, TColor32 *out, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4) {
    uint32_t c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    // Files from Adobe's tools store the inks inverted.
    if (!inverted) {
      c = 255 - c; m = 255 - m; y = 255 - y; k = 255 - k;
    }
    const uint32_t r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (y * k + 127) / 255;
    out[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
  }
}

bool ReadRows(JpegSession *s, TColor32 *pixels, JSAMPLE *cmykRow) {
  if (setjmp(s->errors.jump)) return false;
  const JDIMENSION width = s->info.output_width;
  while (s->info.output_scanline < s->info.output_height) {
    TColor32 *dst = pixels + static_cast<size_t>(s->info.output_scanline) * width;
    JSAMPROW row = cmykRow ? cmykRow : reinterpret_cast<JSAMPROW>(dst);
    if (jpeg_read_scanlines(&s->info, &row, 1) != 1) {
      std::snprintf(s->errors.message, sizeof s->errors.message, "no picture data");
      return false;
    }
    if (cmykRow) CmykToPixels(cmykRow, dst, width, s->info.saw_Adobe_marker);
  }
  jpeg_finish_decompress(&s->info);
  return true;
}

}  // namespace

bool IsJpeg(const uint8_t *data, size_t size) {
  return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool DecodeJpeg(const uint8_t *data, size_t size, TBitmap32 &out, std::string &why) {
  out = TBitmap32();
  if (!IsJpeg(data, size)) {
    why = "no JPEG signature";
    return false;
  }
  JpegSession s{};
  s.info.err = jpeg_std_error(&s.errors.mgr);
  s.errors.mgr.error_exit = Fail;
  s.errors.mgr.emit_message = OnMessage;
  s.errors.mgr.output_message = Silent;
  s.progress.progress_monitor = OnProgress;
  if (!Create(&s)) {
    why = s.errors.message;
    return false;
  }

  TBitmap32 picture;
  std::vector<JSAMPLE> cmykRow;
  bool ok = Start(&s, data, size);
  if (ok) {
    picture.SetSize(static_cast<int>(s.info.output_width), static_cast<int>(s.info.output_height));
    if (CmykOutput(s.info)) cmykRow.resize(static_cast<size_t>(s.info.output_width) * 4);
    ok = !picture.Empty() && ReadRows(&s, picture.Bits(), cmykRow.empty() ? nullptr : cmykRow.data());
  }
  if (!ok) why = s.errors.message[0] ? s.errors.message : "unreadable JPEG";
  jpeg_destroy_decompress(&s.info);
  if (!ok) return false;
  out = std::move(picture);
  return true;
}
