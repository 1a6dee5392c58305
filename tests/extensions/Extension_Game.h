// Test games that call the native test library: the library is copied beside
// the packed game (the game's folder), where a game finds the libraries it
// names.
#pragma once

#include <filesystem>
#include <string>

#include "../support/Game_Run.h"

namespace extgame {

// A game whose one instance runs code at its creation, then ends.
inline std::string Manifest(const std::string &extra = "") {
  return R"({"game_id": 7, )" + extra + R"(
    "scripts": [{"name": "main", "file": "main.qs"}],
    "objects": [{"name": "obj_main", "events": [{"type": "create", "actions": [{"code": "main();"}]}]}],
    "rooms": [{"name": "room_main", "instances": [{"x": 0, "y": 0, "object": 0}]}]})";
}

// Copies the native test library to the game's folder under name.
inline void PutLibrary(const CGameProject &project, const std::string &name) {
  std::filesystem::copy_file(QUILLON_TEST_NATIVE_LIB, project.Dir() / name,
                             std::filesystem::copy_options::overwrite_existing);
}

// Runs code in a game that has the library beside it as "ext_native.so".
inline RGameRun RunCode(const std::string &code) {
  CGameProject project(Manifest());
  project.Write("main.qs", code);
  PutLibrary(project, "ext_native.so");
  return project.Run("--steps 1");
}

}  // namespace extgame
