// Drawing a motion-planning grid (mp_grid_draw), so that a game can show
// where its instances may go.
#pragma once

// Registers mp_grid_draw into the function table.
void Motion_Grid_Draw_Init();
