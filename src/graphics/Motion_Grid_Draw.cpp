#include "graphics/Motion_Grid_Draw.h"

#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "graphics/Graphics_D3D.h"
#include "graphics/Graphics_Draw.h"
#include "world/Motion_Grid.h"

namespace {

constexpr uint32_t kForbiddenColour = 255;  // red
constexpr uint32_t kFreeColour = 32768;     // green

// Every cell as a filled rectangle over its pixels, red when forbidden and
// green when free, with the drawing alpha. An id that names no grid draws
// nothing.
void F_MpGridDraw(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const CGrid *grid = GridGet(fnarg::Int(args[0]));
  if (!grid) return;
  const double alpha = GR_Draw_Get_Alpha();
  const uint32_t forbidden = GR_Device_Colour(kForbiddenColour, alpha);
  const uint32_t free = GR_Device_Colour(kFreeColour, alpha);
  for (int32_t i = 0; i < grid->i_hcells; ++i)
    for (int32_t j = 0; j < grid->i_vcells; ++j) {
      const double left = grid->i_left + static_cast<double>(i) * grid->i_cellw;
      const double top = grid->i_top + static_cast<double>(j) * grid->i_cellh;
      const uint32_t c = grid->Cell(i, j) == CGrid::kForbidden ? forbidden : free;
      GR_Draw_Rectangle(left, top, left + grid->i_cellw - 1, top + grid->i_cellh - 1, c, c, c, c, false);
    }
}

}  // namespace

void Motion_Grid_Draw_Init() { FunctionAdd("mp_grid_draw", F_MpGridDraw, 1); }
