// Pictures drawn by the real runner. Each scene is a small game: one object
// draws the scene in its draw event, a second one saves the finished frame
// with screen_save when the next step begins, and the game ends after that
// step. The runner draws on SDL's offscreen driver (Mesa's llvmpipe), exactly
// as into a window; the saved PNG is compared with a reference picture in
// tests/pictures/ (QUILLON_UPDATE_REFERENCES=1 rewrites them: look at every
// one before checking it in).
//
// Besides the whole picture, every scene names a few pixels whose colour the
// drawing rules fix on their own, worked out by hand below, so that a wrong
// reference cannot hide a fault.
//
// Tolerances: 0 where the rules fix every pixel (axis-aligned rectangles,
// unscaled or integer-scaled sprites with point sampling, backgrounds and
// tiles). 1 where the picture blends or interpolates colours: llvmpipe
// computes the blend and the colour interpolation in floating point and
// rounds, which may differ from the exact formula by 1 in a channel. Edges of
// slanted shapes (circles, rotated sprites, text) are llvmpipe's
// rasterisation, which is repeatable run after run; the references pin it.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/BM32_Bitmap.h"
#include "base/BM32_PNG.h"
#include "support/Game_Run.h"
#include "support/Picture_Compare.h"

namespace {

namespace fs = std::filesystem;

// ---- the pictures the scenes draw with -----------------------------------

constexpr TColor32 kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kYellow = 0xFFFFFF00u,
                   kWhite = 0xFFFFFFFFu, kClear = 0x00000000u;

// 8 x 8: quadrants red (top left), green (top right), blue (bottom left) and
// yellow (bottom right); the top-left texel is white and the bottom-right one
// fully transparent, so that a shift, a mirror or a turn by one texel shows.
TBitmap32 QuadImage() {
  TBitmap32 b(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) b.SetPixel(x, y, y < 4 ? (x < 4 ? kRed : kGreen) : (x < 4 ? kBlue : kYellow));
  b.SetPixel(0, 0, kWhite);
  b.SetPixel(7, 7, kClear);
  return b;
}

// 8 x 8 background: dark and light blue quadrants in a checker, the
// top-left texel white, so that where each tile starts can be seen.
TBitmap32 TileImage() {
  constexpr TColor32 dark = 0xFF203080u, light = 0xFF80A0FFu;
  TBitmap32 b(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) b.SetPixel(x, y, (x < 4) == (y < 4) ? dark : light);
  b.SetPixel(0, 0, kWhite);
  return b;
}

std::string PngText(const TBitmap32 &b) {
  const std::vector<uint8_t> bytes = EncodePng(b);
  return std::string(bytes.begin(), bytes.end());
}

// ---- the scenes ---------------------------------------------------------------

struct RProbe {
  int x, y;
  uint32_t rgb;  // 0xRRGGBB
};

struct RScene {
  const char *name;     // the reference is tests/pictures/NAME.png
  int width, height;    // the room
  const char *draw;     // the drawing object's draw event (the object stands at 0, 0)
  int tolerance;
  std::vector<RProbe> probes;
  const char *room = "";       // further fields of the room (layers, tiles, views), with a leading comma
  const char *roomCode = "";   // the room's creation code
  const char *save = "screen_save(\"scene.png\");";
  const char *colour = "#202020";  // the room's colour
};

// The game of a scene. spr_quad has its origin at the top left, spr_centred
// is the same picture with the origin at its centre; obj_box draws a 16 x 16
// square in its variable colour at its position.
std::string Manifest(const RScene &s) {
  auto q = [](const std::string &code) {
    std::string out;
    for (char c : code) {
      if (c == '"' || c == '\\') out += '\\';
      out += c;
    }
    return "\"" + out + "\"";
  };
  return std::string(R"({"game_id": 1,
    "sprites": [{"name": "spr_quad", "image": "images/quad.png"},
                {"name": "spr_centred", "image": "images/quad.png", "xorigin": 4, "yorigin": 4}],
    "backgrounds": [{"name": "bg_tile", "image": "images/tile.png"}],
    "objects": [
      {"name": "obj_scene", "events": [{"type": "draw", "actions": [{"code": )") +
         q(s.draw) + R"(}]}]},
      {"name": "obj_saver", "events": [
        {"type": "create", "actions": [{"code": "seen = 0;"}]},
        {"type": "step", "number": 1, "actions": [{"code": )" +
         q(std::string("seen += 1; if (seen == 2) { ") + s.save + " }") + R"(}]}]},
      {"name": "obj_box", "events": [
        {"type": "create", "actions": [{"code": "colour = c_white;"}]},
        {"type": "draw", "actions": [{"code": "draw_set_color(colour); draw_rectangle(x, y, x + 15, y + 15, false);"}]}]},
      {"name": "obj_sprite", "sprite": "spr_quad"}],
    "rooms": [{"name": "r", "width": )" +
         std::to_string(s.width) + R"(, "height": )" + std::to_string(s.height) + R"(, "color": ")" + s.colour +
         R"(", "code": )" + q(s.roomCode) + R"(,
      "instances": [{"x": 0, "y": 0, "object": 0}, {"x": 0, "y": 0, "object": 1}])" +
         s.room + "}]}";
}

// Packs and runs a scene (offscreen, or headless with the flag) for two
// steps and reads the picture it saved into FILE in its working directory.
bool RunScene(const RScene &s, bool headless, TBitmap32 &picture, std::string &why, const std::string &args = "",
              const char *file = "scene.png") {
  CGameProject project(Manifest(s));
  project.Write("images/quad.png", PngText(QuadImage()));
  project.Write("images/tile.png", PngText(TileImage()));
  const std::string all = "--steps 2 " + args;
  const RGameRun run = headless ? project.Run(all) : project.RunOffscreen(all);
  if (!run.packed) {
    why = "the scene does not pack: " + run.packMessages;
    return false;
  }
  if (run.exitCode != 0 || !run.err.empty()) {
    why = "the run ended with " + std::to_string(run.exitCode) + ": " + run.err;
    return false;
  }
  std::ifstream in(fs::path(project.WorkDir()) / file, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.empty()) {
    why = std::string("nothing was saved into ") + file;
    return false;
  }
  return DecodePng(bytes.data(), bytes.size(), picture, why);
}

int ChannelDistance(uint32_t a, uint32_t b) {
  int worst = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int d = std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
    worst = std::max(worst, d);
  }
  return worst;
}

const std::vector<RScene> &Scenes() {
  static const std::vector<RScene> scenes = {
      // Points sit on the pixel they name; draw_point_color too.
      {"points", 32, 16,
       "draw_set_color(c_white); draw_point(1, 1); draw_point(4, 1); draw_point_color(7, 1, c_red);"
       "for (i = 0; i < 8; i += 1) draw_point(2 + 3 * i, 4 + i);",
       0,
       {{1, 1, 0xFFFFFF}, {4, 1, 0xFFFFFF}, {7, 1, 0xFF0000}, {2, 1, 0x202020}, {23, 11, 0xFFFFFF}}},
      // Lines of one pixel: horizontal, vertical, slanted, with two colours
      // (interpolated along the line) and a wide line (two triangles).
      {"lines", 64, 48,
       "draw_set_color(c_white); draw_line(2, 2, 40, 2); draw_line(2, 4, 2, 20);"
       "draw_set_color(c_yellow); draw_line(6, 6, 30, 18);"
       "draw_line_color(2, 26, 62, 26, c_red, c_blue);"
       "draw_set_color(c_lime); draw_line_width(8, 34, 56, 44, 4);",
       1,
       {{2, 2, 0xFFFFFF}, {39, 2, 0xFFFFFF}, {2, 10, 0xFFFFFF}, {3, 10, 0x202020}, {2, 26, 0xFF0000}}},
      // Axis-aligned rectangles cover every pixel from the first corner to
      // the second, both included; the outline runs on those pixels too.
      {"rectangles", 64, 48,
       "draw_set_color(c_red); draw_rectangle(2, 2, 11, 9, false);"
       "draw_set_color(c_white); draw_rectangle(20, 2, 31, 13, true);"
       "draw_set_color(c_aqua); draw_rectangle(45, 12, 36, 2, false);"
       "draw_rectangle_color(2, 20, 61, 45, c_red, c_lime, c_blue, c_white, false);",
       1,
       {{2, 2, 0xFF0000}, {11, 9, 0xFF0000}, {12, 9, 0x202020}, {11, 10, 0x202020}, {20, 2, 0xFFFFFF},
        {31, 13, 0xFFFFFF}, {25, 7, 0x202020}, {36, 2, 0x00FFFF}, {45, 12, 0x00FFFF}, {46, 12, 0x202020},
        {2, 20, 0xFF0000}}},
      // Triangles filled and outlined (one colour per corner for the third),
      // circles, an ellipse and rounded rectangles.
      {"shapes", 96, 64,
       "draw_set_color(c_orange); draw_triangle(2, 2, 26, 2, 2, 26, false);"
       "draw_set_color(c_white); draw_triangle(30, 2, 54, 26, 30, 26, true);"
       "draw_triangle_color(58, 26, 94, 26, 76, 2, c_red, c_lime, c_blue, false);"
       "draw_set_color(c_yellow); draw_circle(14, 44, 10, false);"
       "draw_set_color(c_white); draw_circle(38, 44, 10, true);"
       "draw_circle_color(62, 44, 10, c_white, c_blue, false);"
       "draw_set_color(c_fuchsia); draw_ellipse(76, 32, 94, 44, false);"
       "draw_set_color(c_aqua); draw_roundrect(76, 48, 94, 62, true);",
       1,
       {{4, 4, 0xFFA040}, {14, 44, 0xFFFF00}, {38, 44, 0x202020}, {62, 44, 0xFFFFFF}, {85, 38, 0xFF00FF}}},
      // An arrow, health bars and two buttons. Red to lime: the middle
      // colour is (128, 128, 0) (127.5 rounds to even); a quarter is half
      // way from red to it, (192, 64, 0); three quarters (64, 192, 0).
      // Half full from the left; full from the right; a quarter from the
      // right on grey without a border; three quarters downwards without a
      // back.
      {"bars", 96, 48,
       "draw_set_color(c_white); draw_arrow(4, 6, 60, 6, 8);"
       "draw_healthbar(4, 14, 44, 20, 50, c_black, c_red, c_lime, 0, true, true);"
       "draw_healthbar(50, 14, 90, 20, 100, c_black, c_red, c_lime, 1, true, true);"
       "draw_healthbar(4, 24, 44, 30, 25, c_gray, c_red, c_lime, 1, true, false);"
       "draw_healthbar(80, 24, 90, 44, 75, c_black, c_red, c_lime, 2, false, true);"
       "draw_set_color(c_silver); draw_button(4, 34, 40, 44, true); draw_button(44, 34, 76, 44, false);",
       1,
       {{10, 17, 0x808000}, {60, 17, 0x00FF00}, {40, 27, 0xC04000}, {10, 27, 0x808080}, {85, 30, 0x40C000}}},
      // The six kinds of primitive, with a colour per vertex.
      {"primitives", 96, 48,
       "draw_primitive_begin(pr_pointlist); draw_vertex_color(2, 2, c_white, 1); draw_vertex_color(4, 2, c_red, 1);"
       "draw_primitive_end();"
       "draw_primitive_begin(pr_linelist); draw_vertex_color(8, 2, c_white, 1); draw_vertex_color(30, 2, c_white, 1);"
       "draw_vertex_color(8, 6, c_yellow, 1); draw_vertex_color(30, 6, c_yellow, 1); draw_primitive_end();"
       "draw_primitive_begin(pr_linestrip); draw_vertex_color(34, 2, c_aqua, 1); draw_vertex_color(50, 14, c_aqua, 1);"
       "draw_vertex_color(66, 2, c_aqua, 1); draw_primitive_end();"
       "draw_primitive_begin(pr_trianglelist); draw_vertex_color(2, 20, c_red, 1);"
       "draw_vertex_color(26, 20, c_red, 1); draw_vertex_color(2, 44, c_red, 1); draw_primitive_end();"
       "draw_primitive_begin(pr_trianglestrip); draw_vertex_color(30, 20, c_lime, 1);"
       "draw_vertex_color(30, 44, c_lime, 1); draw_vertex_color(50, 20, c_blue, 1);"
       "draw_vertex_color(50, 44, c_blue, 1); draw_primitive_end();"
       "draw_primitive_begin(pr_trianglefan); draw_vertex_color(74, 32, c_white, 1);"
       "for (i = 0; i <= 8; i += 1) draw_vertex_color(74 + 14 * cos(i * pi / 4), 32 + 14 * sin(i * pi / 4), c_fuchsia, 1);"
       "draw_primitive_end();",
       1,
       {{2, 2, 0xFFFFFF}, {4, 2, 0xFF0000}, {20, 6, 0xFFFF00}, {5, 25, 0xFF0000}, {74, 32, 0xFFFFFF}}},
      // The blend modes over a known background (red 64, green 96, blue
      // 128), each with a grey of 128 (0.502) and alpha 1:
      //   bm_normal:   the grey.                         (128, 128, 128)
      //   bm_add:      grey + background, cut at 255.    (192, 224, 255)
      //   bm_max:      grey + background x (1 - grey).   (160, 176, 192)
      //   bm_subtract: background x (1 - grey).          (32, 48, 64)
      //   ext (dest colour, zero): grey x background.    (32, 48, 64)
      //   ext (one, one) with alpha 0.5: the add of the whole grey.
      {"blend_modes", 96, 32,
       "draw_set_color(make_color_rgb(128, 128, 128));"
       "draw_rectangle(2, 2, 15, 29, false);"
       "draw_set_blend_mode(bm_add); draw_rectangle(18, 2, 31, 29, false);"
       "draw_set_blend_mode(bm_max); draw_rectangle(34, 2, 47, 29, false);"
       "draw_set_blend_mode(bm_subtract); draw_rectangle(50, 2, 63, 29, false);"
       "draw_set_blend_mode_ext(bm_dest_color, bm_zero); draw_rectangle(66, 2, 79, 29, false);"
       "draw_set_alpha(0.5); draw_set_blend_mode_ext(bm_one, bm_one); draw_rectangle(82, 2, 93, 29, false);"
       "draw_set_alpha(1); draw_set_blend_mode(bm_normal);",
       1,
       {{8, 8, 0x808080},
        {24, 8, 0xC0E0FF},
        {40, 8, 0xA0B0C0},
        {56, 8, 0x203040},
        {72, 8, 0x203040},
        {88, 8, 0xC0E0FF},
        {0, 0, 0x406080}},
       "",
       "",
       "screen_save(\"scene.png\");",
       "#406080"},
      // Alpha: half a red square over a blue one and the background; a
      // sprite drawn at half alpha; the transparent texel of the sprite.
      // Alpha 0.5 is the byte 128 (127.5 rounds to even), so the source
      // weighs 128/255 and the destination 127/255:
      //   red over blue:           (128, 0, 127)
      //   red over the background: (144, 16, 16)
      {"alpha", 64, 32,
       "draw_set_color(c_blue); draw_rectangle(2, 2, 21, 21, false);"
       "draw_set_alpha(0.5); draw_set_color(c_red); draw_rectangle(12, 12, 31, 29, false); draw_set_alpha(1);"
       "draw_sprite_ext(spr_quad, 0, 40, 4, 2, 2, 0, c_white, 0.5);",
       1,
       {{16, 16, 0x80007F}, {26, 26, 0x901010}, {5, 5, 0x0000FF}, {42, 6, 0x901010}, {55, 19, 0x202020}}},
      // Sprites drawn texel for pixel: at their position less the origin,
      // a part of one, and the transparent texel left as the background.
      {"sprites_unscaled", 48, 32,
       "draw_sprite(spr_quad, 0, 2, 2); draw_sprite(spr_centred, 0, 20, 8);"
       "draw_sprite_part(spr_quad, 0, 2, 2, 4, 4, 30, 2);"
       "draw_sprite_ext(spr_quad, 0, 2, 16, 1, 1, 0, c_white, 1); draw_sprite_ext(spr_quad, 0, 20, 16, 1, 1, 0.0005, c_white, 1);",
       0,
       {{2, 2, 0xFFFFFF}, {3, 2, 0xFF0000}, {6, 2, 0x00FF00}, {2, 6, 0x0000FF}, {9, 9, 0x202020}, {8, 9, 0xFFFF00},
        {16, 4, 0xFFFFFF}, {30, 2, 0xFF0000}, {32, 2, 0x00FF00}, {30, 4, 0x0000FF}, {33, 5, 0xFFFF00},
        {2, 16, 0xFFFFFF}, {20, 16, 0xFFFFFF}}},
      // Whole scales (2 x 3), a mirror (x scale -2 draws leftwards from the
      // position: x 20 ... 35, the first texel column at 34 and 35) and a stretched sprite (16 x 24: twice and three times).
      {"sprites_scaled", 64, 32,
       "draw_sprite_ext(spr_quad, 0, 2, 2, 2, 3, 0, c_white, 1);"
       "draw_sprite_ext(spr_quad, 0, 36, 2, -2, 1, 0, c_white, 1);"
       "draw_sprite_stretched(spr_quad, 0, 40, 2, 16, 24);",
       0,
       {{2, 2, 0xFFFFFF}, {3, 4, 0xFFFFFF}, {4, 2, 0xFF0000}, {17, 25, 0x202020}, {15, 25, 0xFFFF00},
        {35, 2, 0xFFFFFF}, {34, 2, 0xFFFFFF}, {33, 2, 0xFF0000}, {21, 2, 0x00FF00}, {40, 2, 0xFFFFFF},
        {42, 2, 0xFF0000}, {55, 25, 0x202020}, {53, 25, 0xFFFF00}}},
      // Turned counter-clockwise about the origin: by 90 degrees (texels
      // still map to whole pixels) and by 30 degrees, about the corner and
      // about the centre; and 180 degrees.
      //   90 degrees at (4, 28), twice the size: x 4 ... 19 (the picture's
      //   rows), y 13 ... 28 (its columns, upwards), the first texel at the
      //   bottom left.
      //   180 degrees at (70, 20): x 63 ... 70, y 13 ... 20, the first texel
      //   at the bottom right.
      {"sprites_rotated", 80, 40,
       "draw_sprite_ext(spr_quad, 0, 4, 28, 2, 2, 90, c_white, 1);"
       "draw_sprite_ext(spr_centred, 0, 40, 20, 3, 3, 30, c_white, 1);"
       "draw_sprite_ext(spr_quad, 0, 70, 20, 1, 1, 180, c_white, 1);",
       1,
       {{4, 28, 0xFFFFFF}, {5, 27, 0xFFFFFF}, {4, 20, 0x00FF00}, {19, 28, 0x0000FF}, {40, 20, 0xFFFF00},
        {70, 20, 0xFFFFFF}, {69, 19, 0xFF0000}, {63, 13, 0x202020}, {62, 12, 0x202020}}},
      // Sprites blended with a colour (orange: red 255, green 128, blue 0)
      // take the product channel by channel.
      {"sprites_blended", 48, 24,
       "draw_sprite_ext(spr_quad, 0, 2, 2, 2, 2, 0, make_color_rgb(255, 128, 0), 1);"
       "draw_sprite_ext(spr_quad, 0, 22, 2, 2, 2, 0, c_aqua, 1);",
       1,
       {{2, 2, 0xFF8000}, {4, 2, 0xFF0000}, {12, 2, 0x008000}, {4, 12, 0x000000}, {12, 12, 0xFF8000},
        {22, 2, 0x00FFFF}, {24, 2, 0x000000}, {32, 2, 0x00FF00}}},
      // A background tiled over the room from x 3, y 5: the columns start at
      // 3 - 8 = -5, the rows at -3.
      {"background_tiled", 40, 32, "", 0,
       {{3, 5, 0xFFFFFF}, {11, 13, 0xFFFFFF}, {4, 5, 0x203080}, {7, 5, 0x80A0FF}, {2, 4, 0x203080}, {0, 0, 0x80A0FF}},
       R"(, "backgrounds": [{"visible": true, "background": "bg_tile", "x": 3, "y": 5}])"},
      // A background stretched over the whole room (64 x 48: 8 and 6 times),
      // with a second layer tiled only across (one row at y 40) in front.
      {"background_stretched", 64, 48, "", 0,
       {{0, 0, 0xFFFFFF}, {7, 5, 0xFFFFFF}, {8, 0, 0x203080}, {32, 0, 0x80A0FF}, {0, 24, 0x80A0FF},
        {63, 39, 0x203080}, {0, 40, 0xFFFFFF}, {8, 40, 0xFFFFFF}, {1, 40, 0x203080}},
       R"(, "backgrounds": [{"visible": true, "background": "bg_tile", "stretch": true},
                            {"visible": true, "foreground": true, "background": "bg_tile", "y": 40, "vtiled": false}])"},
      // Tiles: parts of the background; a deeper one (at 8, 8) under the
      // whole picture (at 2, 2); a scaled one; one with a blend colour (red:
      // only the red channel stays).
      {"tiles", 48, 32, "", 0,
       {{2, 2, 0xFFFFFF}, {6, 2, 0x80A0FF}, {9, 9, 0x203080}, {10, 10, 0x80A0FF}, {11, 11, 0x80A0FF},
        {10, 2, 0x80A0FF}, {13, 6, 0x203080}, {14, 4, 0x202020}, {20, 2, 0x80A0FF}, {27, 9, 0x80A0FF},
        {28, 2, 0x202020}, {2, 20, 0x800000}, {6, 20, 0x200000}},
       R"(, "tiles": [{"x": 2, "y": 2, "background": "bg_tile", "width": 8, "height": 8, "depth": 10},
                      {"x": 10, "y": 2, "background": "bg_tile", "left": 4, "top": 0, "width": 4, "height": 8, "depth": 5},
                      {"x": 8, "y": 8, "background": "bg_tile", "left": 4, "top": 0, "width": 4, "height": 4, "depth": 20},
                      {"x": 20, "y": 2, "background": "bg_tile", "left": 4, "top": 0, "width": 4, "height": 4, "xscale": 2, "yscale": 2},
                      {"x": 2, "y": 20, "background": "bg_tile", "left": 0, "top": 4, "width": 8, "height": 4, "blend": "#FF0000"}])"},
      // Depth order. Squares created red (depth 0), lime (10), blue (-10),
      // yellow (5) are drawn deepest first: lime, yellow, red, blue, each
      // over the one before. A sprite instance (depth 3) goes over a tile
      // (depth 7); at equal depth an instance goes under a tile.
      {"depth_order", 64, 48, "", 0,
       {{4, 4, 0x00FF00}, {12, 12, 0xFFFF00}, {20, 20, 0xFF0000}, {28, 20, 0xFF0000}, {30, 30, 0x0000FF},
        {44, 2, 0xFFFFFF}, {45, 3, 0x203080}, {46, 4, 0xFFFFFF}, {47, 5, 0xFF0000}, {50, 26, 0xFFFFFF},
        {49, 25, 0xFF0000}},
       R"(, "tiles": [{"x": 44, "y": 2, "background": "bg_tile", "width": 4, "height": 4, "depth": 7},
                      {"x": 50, "y": 26, "background": "bg_tile", "width": 4, "height": 4, "depth": 0}])",
       "a = instance_create(18, 18, obj_box); a.colour = c_red; a.depth = 0;"
       "a = instance_create(2, 2, obj_box); a.colour = c_lime; a.depth = 10;"
       "a = instance_create(26, 26, obj_box); a.colour = c_blue; a.depth = -10;"
       "a = instance_create(10, 10, obj_box); a.colour = c_yellow; a.depth = 5;"
       "a = instance_create(46, 4, obj_sprite); a.depth = 3;"
       "a = instance_create(48, 24, obj_box); a.colour = c_red; a.depth = 0;"},
      // Text in the default font in each of the nine alignments, each
      // about the crossing of two grey lines, one colour a row.
      {"text", 160, 96,
       "draw_set_color(c_gray); draw_line(0, 16, 160, 16); draw_line(0, 48, 160, 48); draw_line(0, 80, 160, 80);"
       "draw_line(24, 0, 24, 96); draw_line(80, 0, 80, 96); draw_line(136, 0, 136, 96);"
       "for (v = 0; v < 3; v += 1) {"
       "  draw_set_color(c_white); if (v == 1) draw_set_color(c_yellow); if (v == 2) draw_set_color(c_aqua);"
       "  for (h = 0; h < 3; h += 1) { draw_set_halign(h); draw_set_valign(v); draw_text(24 + h * 56, 16 + v * 32, \"Ag\"); } }"
       "draw_set_halign(fa_left); draw_set_valign(fa_top);",
       1,
       {{0, 16, 0x808080}, {2, 2, 0x202020}, {159, 48, 0x808080}, {80, 0, 0x808080}}},
      // Views: the room (a tiled background and two squares) seen through a
      // view that shows it three times as large in a port at (8, 8), and
      // through one turned by 30 degrees in a port at (88, 8). The region is
      // 128 x 80, the ports' far corners; outside the ports the window
      // colour (white) shows.
      // The first view starts at (16, 16), where a tile of the background
      // starts. Room point r lands on 8 + 3 (r - 16), a pixel centre, so the
      // background's half-pixel offset grows to a pixel and a half there:
      // the tile's first texel covers pixels 8 and 9 (7 is outside the
      // port), each next one three pixels. The tiles cover the view's room
      // rectangle, which ends at 40, only up to 39.5: the port's last column
      // shows the room colour. The red square covers 20 ... 27.01 of the
      // room: pixels 20 ... 41. (A view of twice the size would sample
      // every other pixel exactly on a texel's edge, where rounding decides.)
      // The turned view is centred on the yellow square.
      {"views", 128, 128, "draw_set_color(c_red); draw_rectangle(20, 20, 27, 27, false);"
                          "draw_set_color(c_yellow); draw_rectangle(60, 60, 75, 75, false);",
       1,
       {{0, 0, 0xFFFFFF}, {84, 40, 0xFFFFFF}, {8, 8, 0xFFFFFF}, {9, 9, 0xFFFFFF}, {10, 10, 0x203080},
        {18, 8, 0x203080}, {19, 8, 0x80A0FF}, {19, 19, 0x203080}, {20, 20, 0xFF0000}, {41, 41, 0xFF0000},
        {42, 42, 0x203080}, {79, 40, 0x202020}, {78, 40, 0x80A0FF}, {108, 28, 0xFFFF00}},
       R"(, "backgrounds": [{"visible": true, "background": "bg_tile"}],
           "enable_views": true,
           "views": [{"visible": true, "xview": 16, "yview": 16, "wview": 24, "hview": 24,
                      "xport": 8, "yport": 8, "wport": 72, "hport": 72},
                     {"visible": true, "xview": 48, "yview": 48, "wview": 40, "hview": 40,
                      "xport": 88, "yport": 8, "wport": 40, "hport": 40}])",
       "view_angle[1] = 30;", "screen_save(\"scene.png\");", "#202020"},
      // The cursor sprite goes over everything the room draws, at the mouse,
      // by its origin, untransformed; its see-through texel shows what is
      // under it.
      {"cursor", 48, 32, "draw_set_color(c_aqua); draw_rectangle(10, 4, 40, 30, false);", 0,
       {{16, 8, 0xFFFFFF}, {17, 8, 0xFF0000}, {21, 9, 0x00FF00}, {16, 13, 0x0000FF}, {21, 13, 0xFFFF00},
        {23, 15, 0x00FFFF}, {30, 20, 0x00FFFF}, {5, 5, 0x202020}},
       "", "cursor_sprite = spr_centred; window_mouse_set(20, 12);"},
      // A part of the screen: 24 x 16 from (8, 4); and a part reaching past
      // the region is cut to it.
      {"save_part", 48, 32, "draw_sprite_ext(spr_quad, 0, 8, 4, 3, 2, 0, c_white, 1);", 0,
       {{0, 0, 0xFFFFFF}, {3, 0, 0xFF0000}, {12, 0, 0x00FF00}, {0, 8, 0x0000FF}, {23, 15, 0x202020}}, "", "",
       "screen_save_part(\"scene.png\", 8, 4, 24, 16);"},
      {"save_part_clamped", 48, 32, "draw_sprite_ext(spr_quad, 0, 40, 24, 2, 2, 0, c_white, 1);", 0,
       {{0, 0, 0xFFFFFF}, {2, 0, 0xFF0000}}, "", "", "screen_save_part(\"scene.png\", 40, 24, 100, 100);"},
  };
  return scenes;
}

void PrintTo(const RScene &s, std::ostream *os) { *os << s.name; }

class PictureScene : public ::testing::TestWithParam<RScene> {};

TEST_P(PictureScene, DrawsItsReference) {
  const RScene &s = GetParam();
  TBitmap32 picture;
  std::string why;
  ASSERT_TRUE(RunScene(s, false, picture, why)) << why;
  for (const RProbe &p : s.probes) {
    ASSERT_TRUE(p.x < picture.Width() && p.y < picture.Height()) << p.x << ", " << p.y;
    const uint32_t got = picture.Pixel(p.x, p.y);
    EXPECT_LE(ChannelDistance(got, p.rgb), s.tolerance)
        << "pixel (" << p.x << ", " << p.y << "): expected " << std::hex << p.rgb << ", got " << (got & 0xFFFFFFu);
    EXPECT_EQ(got >> 24, 0xFFu) << "a saved PNG screen is opaque";
  }
  const std::string reference = std::string("pictures/") + s.name + ".png";
  ExpectPicture(reference.c_str(), picture.Width(), picture.Height(), picture.Bits(), s.tolerance);
}

INSTANTIATE_TEST_SUITE_P(Scenes, PictureScene, ::testing::ValuesIn(Scenes()),
                         [](const ::testing::TestParamInfo<RScene> &p) { return std::string(p.param.name); });

// Without a window the same game runs all the same: the draw events run,
// and screen_save writes a picture of the region's size, as black as a fresh
// screen, since nothing is drawn.
TEST(PictureHeadless, SceneRunsAndSavesABlackPictureOfTheRegion) {
  const RScene &s = Scenes()[2];  // rectangles, 64 x 48
  TBitmap32 picture;
  std::string why;
  ASSERT_TRUE(RunScene(s, true, picture, why)) << why;
  ASSERT_EQ(picture.Width(), 64);
  ASSERT_EQ(picture.Height(), 48);
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) ASSERT_EQ(picture.Pixel(x, y), 0xFF000000u) << x << ", " << y;
}

// --screenshot saves the frame last drawn when the game ends: the second
// step's, which draws what the first drew.
TEST(PictureScreenshot, SavesTheLastFrameAtTheEnd) {
  const RScene &s = Scenes()[2];  // rectangles
  TBitmap32 picture;
  std::string why;
  ASSERT_TRUE(RunScene(s, false, picture, why, "--screenshot shot.png", "shot.png")) << why;
  ExpectPicture("pictures/rectangles.png", picture.Width(), picture.Height(), picture.Bits(), s.tolerance);
  // Headless, the frame is as black as the screen there.
  ASSERT_TRUE(RunScene(s, true, picture, why, "--screenshot shot.png", "shot.png")) << why;
  ASSERT_EQ(picture.Width(), 64);
  EXPECT_EQ(picture.Pixel(10, 10), 0xFF000000u);
}

// A screenshot that cannot be written is said on standard error; the game
// still ended normally.
TEST(PictureScreenshot, AFileThatCannotBeWrittenIsReported) {
  CGameProject project(R"({"game_id": 1, "rooms": [{"name": "r", "width": 32, "height": 32}]})");
  const RGameRun run = project.RunOffscreen("--steps 1 --screenshot no/such/folder/shot.png");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "quillon: could not save the screenshot no/such/folder/shot.png\n");
}

}  // namespace
