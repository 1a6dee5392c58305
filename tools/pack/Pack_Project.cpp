#include "Pack_Project.h"

#include <filesystem>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>

#include "Pack_Entries.h"
#include "Pack_Extensions.h"
#include "Pack_Graphics.h"
#include "Pack_Output.h"
#include "Pack_Settings.h"
#include "Pack_Sound.h"
#include "Pack_Text.h"
#include "Pack_World.h"

namespace fs = std::filesystem;

namespace {

// Spaces and control characters around a constant name do not count.
std::string TrimName(const std::string &name) {
  size_t b = 0, e = name.size();
  while (b < e && static_cast<unsigned char>(name[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(name[e - 1]) <= ' ') --e;
  return name.substr(b, e - b);
}

void ReadConstants(const JsonValue &value, const ProjectFiles &files, RConstantList &out) {
  out.Clear();
  for (size_t i = 0; i < value.Size(); ++i) {
    JsonObject c(value.At(i));
    const JsonValue nameField = c.Require("name");
    std::string name = nameField.AsString();
    // The game trims the name and refuses it at start when it is no
    // identifier; saying so now spares the author a failed start.
    if (!IsValidResourceName(TrimName(name)))
      nameField.Fail("\"" + name + "\" is not a valid constant name (a letter or _ first, then letters, digits or _)");
    const JsonValue valueField = c.Require("value");
    std::string text = valueField.AsString();
    c.Done();
    files.NoteCode({valueField.FileName() + ": " + valueField.Path(), text, RCodePiece::kConstant, TrimName(name)});
    out.Add(std::move(name), std::move(text));
  }
}

void ReadScripts(const JsonValue &value, const ProjectFiles &files, RResourceList<CScript> &out) {
  ReadEntries(value, "scripts", out, [&](JsonObject &s, CScript &script) {
    const bool hasFile = s.Has("file"), hasCode = s.Has("code");
    if (hasFile && hasCode) s.Require("code").Fail("give either \"code\" or \"file\", not both");
    if (!hasFile && !hasCode) s.Require("file");
    script.s_text = files.ReadCode(s, "code", "file");
  });
}

int32_t ReadExportAction(const JsonValue &v) {
  if (v.Raw().is_string()) {
    static const std::map<std::string, int32_t> names = {
        {"none", CDataFile::kNoExport},
        {"temp", CDataFile::kExportTemp},
        {"working", CDataFile::kExportAsGiven},
        {"folder", CDataFile::kExportDir},
    };
    auto it = names.find(v.AsString());
    if (it == names.end()) v.Fail("expected \"none\", \"temp\", \"working\" or \"folder\", found \"" + v.AsString() + "\"");
    return it->second;
  }
  return v.AsIntIn(0, 3);
}

void ReadIncludedFiles(const JsonValue &value, const ProjectFiles &files, RDataFileList &out) {
  out.clear();
  for (size_t i = 0; i < value.Size(); ++i) {
    JsonObject f(value.At(i));
    auto rec = std::make_unique<CDataFile>();
    const JsonValue fileField = f.Require("file");
    const std::string rel = fileField.AsString();
    rec->s_store = f.Bool("store", true);
    if (rec->s_store) {
      const std::vector<uint8_t> bytes = files.ReadBytes(fileField);
      if (bytes.size() > static_cast<size_t>(INT32_MAX)) fileField.Fail("file too large (2 GB at most): " + rel);
      rec->s_data.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
      rec->s_data.Seek(0);
      rec->s_exists = true;
      rec->s_size = static_cast<int32_t>(bytes.size());
    } else if (rel.empty()) {
      fileField.Fail("expected a file name, found an empty string");
    }
    const std::optional<JsonValue> nameField = f.Get("name");
    rec->s_filename = nameField ? nameField->AsString() : fs::path(rel).filename().string();
    if (rec->s_filename.empty()) (nameField ? *nameField : fileField).Fail("the exported file name is empty");
    rec->s_origname = f.String("original_name", rel);
    if (std::optional<JsonValue> e = f.Get("export")) rec->s_exportaction = ReadExportAction(*e);
    rec->s_exportdir = f.String("export_dir", "");
    rec->s_overwrite = f.Bool("overwrite", false);
    rec->s_freedata = f.Bool("free_data", true);
    rec->s_removeend = f.Bool("remove_at_end", true);
    f.Done();
    out.push_back(std::move(rec));
  }
}

void ReadGameInformation(const JsonValue &value, const ProjectFiles &files, RGameInformation &info) {
  info = RGameInformation();
  JsonObject g(value);
  const std::optional<JsonValue> file = g.Get("file");
  const std::optional<JsonValue> text = g.Get("text");
  if (file && text) text->Fail("give either \"file\" or \"text\", not both");
  std::string body = file ? files.ReadText(*file) : text ? text->AsString() : std::string();
  info.text = IsRichText(body) && file ? body : PlainTextToRtf(body);
  info.backcolor = g.Color("background_color", info.backcolor);
  info.ingamewindow = g.Bool("show_in_game_window", info.ingamewindow);
  info.caption = g.String("caption", info.caption);
  info.left = g.Int("left", info.left);
  info.top = g.Int("top", info.top);
  info.width = g.IntIn("width", info.width, 1, INT32_MAX);
  info.height = g.IntIn("height", info.height, 1, INT32_MAX);
  info.border = g.Bool("show_border", info.border);
  info.sizeable = g.Bool("sizeable", info.sizeable);
  info.stayontop = g.Bool("stay_on_top", info.stayontop);
  info.pausegame = g.Bool("pause_game", info.pausegame);
  g.Done();
}

int32_t ReadPathKind(const JsonValue &v) {
  if (v.Raw().is_string()) {
    const std::string kind = v.AsString();
    if (kind == "linear") return CPath::kStraight;
    if (kind == "smooth") return CPath::kSmooth;
    v.Fail("expected \"linear\" or \"smooth\", found \"" + kind + "\"");
  }
  return v.AsIntIn(0, 1);
}

// A point is [x, y] or [x, y, speed]; the speed is in percent (100 keeps
// the follower's speed).
RWayPoint ReadPathPoint(const JsonValue &v) {
  if (!v.Raw().is_array() || v.Size() < 2 || v.Size() > 3) v.Fail("expected [x, y] or [x, y, speed]");
  return {v.At(0).AsReal(), v.At(1).AsReal(), v.Size() == 3 ? v.At(2).AsReal() : 100.0};
}

void ReadPaths(const JsonValue &value, RResourceList<CPath> &out) {
  ReadEntries(value, "paths", out, [](JsonObject &p, CPath &path) {
    if (const std::optional<JsonValue> kind = p.Get("kind")) path.SetKind(ReadPathKind(*kind));
    path.SetClosed(p.Bool("closed", path.i_closed));
    path.SetPrecision(p.IntIn("precision", path.i_precision, 0, CPath::kMaxPrecision));
    std::vector<RWayPoint> points;
    if (const std::optional<JsonValue> list = p.Get("points"))
      for (size_t k = 0; k < list->Size(); ++k) points.push_back(ReadPathPoint(list->At(k)));
    path.SetPoints(std::move(points));
  });
}

void ReadLibInitCode(const JsonValue &value, const ProjectFiles &files, std::vector<std::string> &out) {
  out.clear();
  for (size_t i = 0; i < value.Size(); ++i) {
    const JsonValue entry = value.At(i);
    if (entry.Raw().is_string()) {
      out.push_back(entry.AsString());
      continue;
    }
    JsonObject o(entry);
    if (!o.Has("code") && !o.Has("code_file")) o.Require("code_file");
    out.push_back(files.ReadCode(o));
    o.Done();
  }
}

}  // namespace

namespace {

constexpr int32_t kFirstInstanceId = 100001;
constexpr int32_t kFirstTileId = 10000001;

double ReadAlpha(JsonObject &obj) {
  const std::optional<JsonValue> v = obj.Get("alpha");
  if (!v) return 1.0;
  const double a = v->AsReal();
  if (!(a >= 0.0 && a <= 1.0)) v->Fail("expected a number from 0 to 1");
  return a;
}

void ReadBackgroundLayer(const JsonValue &value, const RGameModel &game, CBack &b) {
  JsonObject o(value);
  b.visible = o.Bool("visible", b.visible);
  b.foreground = o.Bool("foreground", b.foreground);
  if (std::optional<JsonValue> v = o.Get("background"))
    b.index = ReadPictureReference(*v, game.backgrounds.names, "background");
  b.x = o.Int("x", 0);
  b.y = o.Int("y", 0);
  b.htiled = o.Bool("htiled", b.htiled);
  b.vtiled = o.Bool("vtiled", b.vtiled);
  b.hspeed = o.Int("hspeed", 0);
  b.vspeed = o.Int("vspeed", 0);
  b.stretch = o.Bool("stretch", b.stretch);
  o.Done();
}

void ReadView(const JsonValue &value, const RGameModel &game, CView &v) {
  JsonObject o(value);
  v.visible = o.Bool("visible", v.visible);
  v.xview = o.Int("xview", v.xview);
  v.yview = o.Int("yview", v.yview);
  v.wview = o.Int("wview", v.wview);
  v.hview = o.Int("hview", v.hview);
  v.xport = o.Int("xport", v.xport);
  v.yport = o.Int("yport", v.yport);
  v.wport = o.Int("wport", v.wport);
  v.hport = o.Int("hport", v.hport);
  v.hborder = o.Int("hborder", v.hborder);
  v.vborder = o.Int("vborder", v.vborder);
  v.hspeed = o.Int("hspeed", v.hspeed);
  v.vspeed = o.Int("vspeed", v.vspeed);
  if (std::optional<JsonValue> f = o.Get("object")) v.index = ReadResourceReference(*f, game.objects.names, "object");
  o.Done();
}

// Layers and views are fixed arrays of 8; the manifest lists the first few.
template <class T, class Fn>
void ReadEight(JsonObject &room, const char *key, std::array<T, 8> &out, Fn read) {
  const std::optional<JsonValue> list = room.Get(key);
  if (!list) return;
  if (list->Size() > out.size()) list->Fail("at most 8 entries, found " + std::to_string(list->Size()));
  for (size_t i = 0; i < list->Size(); ++i) {
    const JsonValue entry = list->At(i);
    if (!entry.IsNull()) read(entry, out[i]);
  }
}

// Ids given in the manifest, kept so that duplicates are refused and the
// automatic ids step around them.
struct IdPlan {
  const char *what;
  int32_t first;
  std::map<int32_t, std::string> used;  // id -> path of the entry that has it

  int32_t ReadExplicit(JsonObject &o) {
    const std::optional<JsonValue> v = o.Get("id");
    if (!v) return 0;
    const int32_t id = v->AsIntIn(first, INT32_MAX);
    auto [it, fresh] = used.emplace(id, v->Path());
    if (!fresh) v->Fail(std::string("the ") + what + " id " + std::to_string(id) + " is already used by " + it->second);
    return id;
  }
};

int32_t NextFreeId(IdPlan &plan, int32_t &counter) {
  do {
    if (counter == INT32_MAX) throw PackError(std::string("too many ") + plan.what + " ids");
    ++counter;
  } while (plan.used.count(counter));
  plan.used.emplace(counter, std::string());
  return counter;
}

void ReadInstance(const JsonValue &value, const ProjectFiles &files, const RGameModel &game, IdPlan &ids,
                  RInstanceRecord &inst) {
  JsonObject o(value);
  inst.x = o.Require("x").AsInt();
  inst.y = o.Require("y").AsInt();
  const JsonValue object = o.Require("object");
  if (!object.Raw().is_string()) object.AsIntIn(0, INT32_MAX);  // an instance is always of some object
  inst.object = ReadResourceReference(object, game.objects.names, "object");
  inst.id = ids.ReadExplicit(o);
  inst.code = files.ReadCode(o);
  inst.xscale = o.Real("xscale", inst.xscale);
  inst.yscale = o.Real("yscale", inst.yscale);
  inst.blend = o.Color("blend", inst.blend);
  inst.alpha = ReadAlpha(o);
  inst.angle = o.Real("angle", inst.angle);
  o.Done();
}

void ReadTile(const JsonValue &value, const RGameModel &game, IdPlan &ids, RTile &t) {
  JsonObject o(value);
  t.x = o.Require("x").AsInt();
  t.y = o.Require("y").AsInt();
  const JsonValue back = o.Require("background");
  t.index = ReadPictureReference(back, game.backgrounds.names, "background");
  if (t.index < 0) back.AsIntIn(0, INT32_MAX);  // a tile always shows some background
  t.xo = o.Int("left", 0);
  t.yo = o.Int("top", 0);
  t.w = o.IntIn("width", 16, 0, INT32_MAX);
  t.h = o.IntIn("height", 16, 0, INT32_MAX);
  t.depth = o.Int("depth", 1000000);
  t.id = ids.ReadExplicit(o);
  t.xscale = o.Real("xscale", 1);
  t.yscale = o.Real("yscale", 1);
  t.blend = o.Color("blend", t.blend);
  t.alpha = ReadAlpha(o);
  t.visible = true;
  o.Done();
}

void ReadRoom(const JsonValue &value, const ProjectFiles &files, const RGameModel &game, IdPlan &instanceIds,
              IdPlan &tileIds, CRoom &r) {
  JsonObject o(value);
  o.Accept("name");  // read by the caller
  r.r_caption = o.String("caption", r.r_caption);
  r.r_width = o.IntIn("width", r.r_width, 1, INT32_MAX);
  r.r_height = o.IntIn("height", r.r_height, 1, INT32_MAX);
  r.r_speed = o.IntIn("speed", r.r_speed, 1, INT32_MAX);
  r.r_persistent = o.Bool("persistent", r.r_persistent);
  r.r_color = o.Color("color", r.r_color);
  r.r_showcolor = o.Bool("show_color", r.r_showcolor);
  r.r_clearViewBackground = o.Bool("clear_view_background", r.r_clearViewBackground);
  r.r_code = files.ReadCode(o);
  r.r_enableviews = o.Bool("enable_views", r.r_enableviews);
  ReadEight(o, "backgrounds", r.r_background,
            [&game](const JsonValue &v, CBack &b) { ReadBackgroundLayer(v, game, b); });
  ReadEight(o, "views", r.r_view, [&game](const JsonValue &v, CView &view) { ReadView(v, game, view); });
  if (const std::optional<JsonValue> list = o.Get("instances")) {
    r.r_instances.resize(list->Size());
    for (size_t i = 0; i < list->Size(); ++i) ReadInstance(list->At(i), files, game, instanceIds, r.r_instances[i]);
  }
  if (const std::optional<JsonValue> list = o.Get("tiles")) {
    r.r_tile.resize(list->Size());
    for (size_t i = 0; i < list->Size(); ++i) ReadTile(list->At(i), game, tileIds, r.r_tile[i]);
  }
  o.Done();
}

void ReadRooms(const JsonValue &value, const ProjectFiles &files, RGameModel &game) {
  RResourceList<CRoom> &rooms = game.rooms;
  rooms.Clear();
  std::map<std::string, size_t> seen;
  IdPlan instanceIds{"instance", kFirstInstanceId, {}};
  IdPlan tileIds{"tile", kFirstTileId, {}};
  for (size_t i = 0; i < value.Size(); ++i) {
    const JsonValue entry = value.At(i);
    if (entry.IsNull()) {
      rooms.items.emplace_back();
      rooms.names.emplace_back();
      continue;
    }
    JsonObject named(entry);
    std::string name = ReadResourceName(named, seen, i, "rooms");
    auto room = std::make_unique<CRoom>();
    ReadRoom(entry, files, game, instanceIds, tileIds, *room);
    rooms.items.push_back(std::move(room));
    rooms.names.push_back(std::move(name));
  }
  if (rooms.Count() == 0 || seen.empty()) value.Fail("a game needs at least one room");

  // Entries without an id get the next free one, room by room in order.
  int32_t nextInstance = kFirstInstanceId - 1, nextTile = kFirstTileId - 1;
  for (auto &room : rooms.items) {
    if (!room) continue;
    for (RInstanceRecord &inst : room->r_instances)
      if (inst.id == 0) inst.id = NextFreeId(instanceIds, nextInstance);
    for (RTile &tile : room->r_tile)
      if (tile.id == 0) tile.id = NextFreeId(tileIds, nextTile);
  }
  game.lastInstanceId = instanceIds.used.empty() ? kFirstInstanceId - 1 : instanceIds.used.rbegin()->first;
  game.lastTileId = tileIds.used.empty() ? kFirstTileId - 1 : tileIds.used.rbegin()->first;
}

void ReadRoomOrder(const std::optional<JsonValue> &value, RGameModel &game) {
  game.roomOrder.clear();
  if (!value) {
    for (int i = 0; i < game.rooms.Count(); ++i)
      if (game.rooms.Exists(i)) game.roomOrder.push_back(i);
    return;
  }
  if (value->Size() == 0) value->Fail("the room order needs at least one room");
  for (size_t i = 0; i < value->Size(); ++i) {
    const JsonValue entry = value->At(i);
    int32_t index = -1;
    if (entry.Raw().is_string()) {
      index = game.rooms.Find(entry.AsString());
      if (index < 0) entry.Fail("no room is named \"" + entry.AsString() + "\"");
    } else {
      index = entry.AsInt();
      if (!game.rooms.Exists(index)) entry.Fail("no room has the index " + std::to_string(index));
    }
    game.roomOrder.push_back(index);
  }
}

}  // namespace

std::string ManifestPath(const std::string &dir) { return (fs::path(dir) / "game.json").string(); }

void ReadProjectText(const std::string &text, const std::string &manifestName, const ProjectFiles &files,
                     RGameModel &game) {
  const nlohmann::json doc = ParseManifestText(text, manifestName);
  const JsonValue root(doc, "", manifestName);
  JsonObject top(root);

  game.gameId = top.Require("game_id").AsInt();
  game.debug = top.Bool("debug", false);
  if (const std::optional<JsonValue> id = top.Get("identifier")) {
    if (!ParseIdentifier(id->AsString(), game.guid)) id->Fail("expected 32 hexadecimal digits");
  } else {
    game.guid = DefaultIdentifier(game.gameId);
  }

  game.settingsVersion = 820;
  if (const std::optional<JsonValue> v = top.Get("settings_version")) {
    game.settingsVersion = v->AsInt();
    if (game.settingsVersion != 800 && game.settingsVersion != 810 && game.settingsVersion != 820)
      v->Fail("expected 800, 810 or 820");
  }
  game.settings.SetDefaults();
  if (const std::optional<JsonValue> s = top.Get("settings")) {
    ReadSettings(*s, files, game.settings);
    // Older blocks have no room for these two fields; refuse rather than drop them.
    for (const char *key : {"reserved", "createfirst"}) {
      const auto it = s->Raw().find(key);
      if (game.settingsVersion < 820 && it != s->Raw().end() && !it->is_null())
        JsonValue(*it, JsonPathKey(s->Path(), key), manifestName)
            .Fail("stored only with settings_version 820, not " + std::to_string(game.settingsVersion));
    }
  }

  // Before the game's constants: the packages' constants are defined first.
  game.extensions.clear();
  if (const std::optional<JsonValue> v = top.Get("extension_packages")) ReadExtensionPackages(*v, files, game.extensions);
  game.constants.Clear();
  if (const std::optional<JsonValue> v = top.Get("constants")) ReadConstants(*v, files, game.constants);
  game.scripts.Clear();
  if (const std::optional<JsonValue> v = top.Get("scripts")) ReadScripts(*v, files, game.scripts);
  // Before rooms and objects, which may name them.
  game.sprites.Clear();
  if (const std::optional<JsonValue> v = top.Get("sprites")) ReadSprites(*v, files, game.sprites);
  game.backgrounds.Clear();
  if (const std::optional<JsonValue> v = top.Get("backgrounds")) ReadBackgrounds(*v, files, game.backgrounds);
  game.sounds.Clear();
  if (const std::optional<JsonValue> v = top.Get("sounds")) ReadSounds(*v, files, game.sounds);
  game.includedFiles.clear();
  if (const std::optional<JsonValue> v = top.Get("included_files")) ReadIncludedFiles(*v, files, game.includedFiles);
  game.gameInfo = RGameInformation();
  if (const std::optional<JsonValue> v = top.Get("game_information")) ReadGameInformation(*v, files, game.gameInfo);
  game.libraryInitCode.clear();
  if (const std::optional<JsonValue> v = top.Get("library_init_code")) ReadLibInitCode(*v, files, game.libraryInitCode);
  game.triggers.Clear();
  if (const std::optional<JsonValue> v = top.Get("triggers")) ReadTriggers(*v, files, game.triggers);
  game.objects.Clear();
  if (const std::optional<JsonValue> v = top.Get("objects")) ReadObjects(*v, files, game);
  game.timelines.Clear();
  if (const std::optional<JsonValue> v = top.Get("time_lines")) ReadTimeLines(*v, files, game, game.timelines);
  game.paths.Clear();
  if (const std::optional<JsonValue> v = top.Get("paths")) ReadPaths(*v, game.paths);
  // After the objects, which room instances and views name.
  ReadRooms(top.Require("rooms"), files, game);
  ReadRoomOrder(top.Get("room_order"), game);
  // Resource kinds the game file has but this packer cannot fill yet: a
  // clearer word than "unknown field" for an author who tries them.
  for (const char *kind : {"fonts"}) {
    if (const std::optional<JsonValue> v = top.Get(kind))
      v->Fail(std::string("the packer cannot pack ") + kind + " yet; leave the field out");
  }
  top.Done();
}

void ReadProject(const std::string &dir, RGameModel &game, std::vector<RCodePiece> *code) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) throw PackError(dir + ": not a project folder (no such directory)");
  const std::string manifest = ManifestPath(dir);
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(manifest, bytes)) {
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR) throw PackError(manifest + ": file not found");
    if (error == ELOOP) throw PackError(manifest + ": a loop of symbolic links");
    if (error == EISDIR) throw PackError(manifest + ": not a file (a directory)");
    throw PackError(manifest + ": cannot read the file: " + std::strerror(error));
  }
  const std::string text(bytes.begin(), bytes.end());
  const ProjectFiles files(dir);
  ReadProjectText(text, manifest, files, game);
  if (code) *code = files.Code();
}
