#include "runner/Runner_Input.h"

#include <vector>

#include "base/Support_File.h"
#include "base/Support_Stream.h"
#include "graphics/Graphics_Window.h"
#include "input/IO_Main.h"
#include "input/IO_Script.h"
#include "platform/Platform_Main.h"
#include "runner/Runner_Digest.h"
#include "runner/Runner_Form.h"

namespace {

// The file's name without its folders: the name of the joysticks a script
// brings.
std::string BaseName(const std::string &path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteText(const std::string &path, const std::string &text) {
  try {
    CStream out;
    out.Write(text.data(), static_cast<int64_t>(text.size()));
    out.SaveToFile(path, false);
    return true;
  } catch (const std::exception &) {
    return false;
  }
}

}  // namespace

bool Runner_InputStart(const RRunnerArgs &args, std::string &error) {
  // Attached to the window: no key held, the key map as it comes.
  IO_Reset();
  IO_SetWindowLive(!args.headless);
  if (!args.input.empty()) {
    std::vector<uint8_t> bytes;
    if (!ReadRegularFile(args.input, bytes)) {
      error = "cannot read the input script " + args.input;
      return false;
    }
    RInputScript script;
    std::string why;
    if (!IO_ScriptParse(std::string_view(reinterpret_cast<const char *>(bytes.data()), bytes.size()), script, why)) {
      error = args.input + ":" + why;
      return false;
    }
    IO_ScriptPlay(std::move(script), &Window_Events(), BaseName(args.input));
  }
  if (!args.record.empty()) IO_RecordStart(&Window_Events());
  if (!args.digest.empty()) Runner_DigestStart();
  return true;
}

bool Runner_InputFinish(const RRunnerArgs &args, std::string &error) {
  bool ok = true;
  if (!args.record.empty() && !WriteText(args.record, IO_RecordText())) {
    error = "could not write the input record " + args.record;
    ok = false;
  }
  if (!args.digest.empty() && !WriteText(args.digest, Runner_DigestText())) {
    if (!error.empty()) error += "; ";
    error += "could not write the digest " + args.digest;
    ok = false;
  }
  return ok;
}

void Runner_InputReset() {
  IO_ScriptReset();
  Runner_DigestReset();
}
