// Stored variable lists and global stores come from saved games, which may be
// damaged or hostile: loading arbitrary bytes must end in a clean load or a
// stream error, never a crash or an allocation the data cannot back. A list
// that loads must save and load again to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "code/Variable_Class.h"
#include "code/Variable_Main.h"
#include "base/Support_Stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  {
    CStream stream(bytes);
    CVariableList list;
    try {
      if (list.LoadFromStream(stream)) {
        CStream saved;
        list.SaveToStream(saved);
        saved.Seek(0);
        CVariableList again;
        if (!again.LoadFromStream(saved)) std::abort();
        CStream resaved;
        again.SaveToStream(resaved);
        if (resaved.Bytes() != saved.Bytes()) std::abort();
      }
    } catch (const EStreamError &) {
      if (list.Count() != 0) std::abort();  // a failed load leaves nothing half-read
    }
  }
  {
    CStream stream(bytes);
    try {
      Global_LoadFromStream(stream);
    } catch (const EStreamError &) {
    }
    GlobalReset();
  }
  return 0;
}
