#include "Pack_Graphics.h"

#include <climits>
#include <map>
#include <utility>

#include "Pack_Check.h"
#include "Pack_Entries.h"
#include "Pack_Text.h"

namespace {

std::string Size(const TBitmap32 &bm) { return std::to_string(bm.Width()) + "x" + std::to_string(bm.Height()); }

// The frames of a sprite: "image" (cut into "frames" equal parts side by
// side) or "images" (one file each, all of one size).
std::vector<TBitmap32> ReadFrames(JsonObject &o, const ProjectFiles &files) {
  const std::optional<JsonValue> image = o.Get("image");
  const std::optional<JsonValue> images = o.Get("images");
  std::vector<TBitmap32> frames;
  if (image && images) images->Fail("give either \"image\" or \"images\", not both");
  if (images) {
    if (o.Has("frames"))
      o.Require("frames").Fail("\"frames\" cuts a strip given as \"image\"; \"images\" has one file per frame");
    if (images->Size() == 0) images->Fail("a sprite needs at least one image");
    for (size_t i = 0; i < images->Size(); ++i) {
      const JsonValue file = images->At(i);
      frames.push_back(files.ReadImage(file));
      if (i > 0 && (frames[i].Width() != frames[0].Width() || frames[i].Height() != frames[0].Height()))
        file.Fail("the picture is " + Size(frames[i]) + ", but the first frame is " + Size(frames[0]) +
                  "; all frames of a sprite have one size");
    }
    return frames;
  }
  if (!image) o.Require("image");
  const TBitmap32 strip = files.ReadImage(*image);
  const int32_t n = o.IntIn("frames", 1, 1, INT32_MAX);
  if (strip.Width() % n != 0)
    o.Require("frames").Fail("the picture is " + std::to_string(strip.Width()) + " pixels wide, not a multiple of " +
                            std::to_string(n) + " frames");
  const int fw = strip.Width() / n;
  for (int32_t i = 0; i < n; ++i) frames.push_back(strip.Region(i * fw, 0, fw, strip.Height()));
  return frames;
}

int32_t ReadKind(JsonObject &o) {
  const std::optional<JsonValue> v = o.Get("kind");
  if (!v) return kMaskPrecise;
  static const std::vector<std::pair<const char *, int32_t>> kinds = {
      {"precise", kMaskPrecise}, {"rectangle", kMaskRectangle}, {"ellipse", kMaskEllipse}, {"diamond", kMaskDiamond}};
  const std::string s = v->AsString();
  for (const auto &[name, kind] : kinds)
    if (s == name) return kind;
  v->Fail("expected \"precise\", \"rectangle\", \"ellipse\" or \"diamond\", found \"" + s + "\"");
}

// "automatic", "full" or a box {left, top, right, bottom} inside the frames.
void ReadBox(JsonObject &o, const TBitmap32 &frame, RMaskSettings &m) {
  const std::optional<JsonValue> v = o.Get("bbox");
  if (!v) return;
  if (v->Raw().is_string()) {
    const std::string s = v->AsString();
    if (s == "automatic") m.bbmode = kBoxAutomatic;
    else if (s == "full") m.bbmode = kBoxFullImage;
    else
      v->Fail("expected \"automatic\", \"full\" or a box {\"left\", \"top\", \"right\", \"bottom\"}, found \"" + s +
              "\"");
    return;
  }
  JsonObject box(*v);
  m.bbmode = kBoxManual;
  m.bbox.left = box.Require("left").AsIntIn(0, frame.Width() - 1);
  m.bbox.top = box.Require("top").AsIntIn(0, frame.Height() - 1);
  m.bbox.right = box.Require("right").AsIntIn(m.bbox.left, frame.Width() - 1);
  m.bbox.bottom = box.Require("bottom").AsIntIn(m.bbox.top, frame.Height() - 1);
  box.Done();
}

void ReadSprite(JsonObject &o, const ProjectFiles &files, CSprite &s) {
  std::vector<TBitmap32> frames = ReadFrames(o, files);
  const bool transparent = o.Bool("transparent", false);
  const bool smooth = o.Bool("smooth", false);
  for (TBitmap32 &f : frames) f.PrepareLoaded(transparent, smooth);
  s.i_bitmap = std::move(frames);
  s.i_numb = static_cast<int32_t>(s.i_bitmap.size());
  s.i_xorig = o.Int("xorigin", 0);
  s.i_yorig = o.Int("yorigin", 0);
  RMaskSettings m;
  m.kind = ReadKind(o);
  m.tolerance = o.IntIn("tolerance", 0, 0, 255);
  m.sepmasks = o.Bool("separate_masks", false);
  ReadBox(o, s.i_bitmap[0], m);
  s.ComputeMask(m);
}

void ReadBackground(JsonObject &o, const ProjectFiles &files, CBackground &b) {
  TBitmap32 picture = files.ReadImage(o.Require("image"));
  picture.PrepareLoaded(o.Bool("transparent", false), o.Bool("smooth", false));
  b.i_bitmap = std::move(picture);
}

}  // namespace

void ReadSprites(const JsonValue &value, const ProjectFiles &files, RResourceList<CSprite> &out) {
  ReadEntries(value, "sprites", out, [&](JsonObject &o, CSprite &s) { ReadSprite(o, files, s); });
}

void ReadBackgrounds(const JsonValue &value, const ProjectFiles &files, RResourceList<CBackground> &out) {
  ReadEntries(value, "backgrounds", out, [&](JsonObject &o, CBackground &b) { ReadBackground(o, files, b); });
}

int32_t ReadPictureReference(const JsonValue &v, const std::vector<std::string> &names, const char *kind) {
  if (!v.Raw().is_string()) {
    const int32_t index = v.AsIntIn(-1, INT32_MAX);
    if (index >= 0 && (static_cast<size_t>(index) >= names.size() || names[static_cast<size_t>(index)].empty()))
      v.Fail(std::string("no ") + kind + " has the index " + std::to_string(index));
    return index;
  }
  const std::string name = v.AsString();
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == name && !name.empty()) return static_cast<int32_t>(i);
  const std::string close = PackClosestName(name, names);
  v.Fail(std::string("no ") + kind + " is named \"" + name + "\"" +
         (close.empty() ? std::string() : " (did you mean " + close + "?)"));
}
