// The ds_* functions called from compiled game code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "functions/Data_Structures_Support.h"
#include "support/Code_Test_Host.h"

namespace {

TEST_F(DsTest, ScriptsUseContainersThroughTheirIds) {
  CCodeHost host;
  const ROutcome out = host.Run(
      "var l, m, q, g, t;"
      "l = ds_list_create();"
      "ds_list_add(l, 3); ds_list_add(l, \"b\"); ds_list_add(l, 1); ds_list_add(l, \"A\");"
      "ds_list_sort(l, true);"
      "for (t = 0; t < ds_list_size(l); t += 1) note(ds_list_find_value(l, t));"
      "m = ds_map_create();"
      "ds_map_add(m, \"score\", 10);"
      "ds_map_replace(m, \"score\", ds_map_find_value(m, \"score\") * 2);"
      "note(ds_map_find_value(m, \"score\"));"
      "q = ds_queue_create();"
      "ds_queue_read(q, \"C900000001000000000000000100000000000000000000000000084000000000\");"
      "note(ds_queue_dequeue(q));"
      "g = ds_grid_create(3, 3);"
      "ds_grid_set_region(g, 0, 0, 2, 2, 1);"
      "note(ds_grid_get_sum(g, 0, 0, 2, 2));"
      "t = ds_list_write(l);"
      "ds_list_clear(l);"
      "ds_list_read(l, t);"
      "note(ds_list_size(l));"
      "ds_stack_pop(l + 5);"
      "note(\"after\");");
  ASSERT_TRUE(out.ok) << out.error;
  EXPECT_EQ(CCodeHost::Notes(), (std::vector<std::string>{"1", "3", "A", "b", "20", "3", "9", "4", "after"}));
  // The bad id was reported with the code's event context and the code went on.
  EXPECT_NE(ErrorLast().find("Data structure with index does not exist."), std::string::npos);
  EXPECT_EQ(ErrorLast().rfind("ERROR in", 0), 0u);
}

}  // namespace
