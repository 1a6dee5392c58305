#include "Pack_World.h"

#include <algorithm>
#include <climits>
#include <map>
#include <utility>

#include "Pack_Check.h"
#include "Pack_Graphics.h"
#include "Pack_Text.h"
#include "code/Code_Function.h"

namespace {

// A name or an index naming an existing resource (names holds "" for the
// empty slots); -1 stands for none.
int32_t ReadReference(const JsonValue &v, const std::vector<std::string> &names, const char *kind) {
  if (v.Raw().is_string()) {
    const std::string name = v.AsString();
    for (size_t i = 0; i < names.size(); ++i)
      if (names[i] == name && !name.empty()) return static_cast<int32_t>(i);
    const std::string close = PackClosestName(name, names);
    v.Fail(std::string("no ") + kind + " is named \"" + name + "\"" +
           (close.empty() ? std::string() : " (did you mean " + close + "?)"));
  }
  const int32_t index = v.AsIntIn(-1, INT32_MAX);
  if (index >= 0 && (index >= static_cast<int32_t>(names.size()) || names[static_cast<size_t>(index)].empty()))
    v.Fail(std::string("no ") + kind + " has the index " + std::to_string(index));
  return index;
}

// The names of an array of resource entries (empty for null entries), read
// ahead so that entries may refer to later ones; names are checked here.
std::vector<std::string> EntryNames(const JsonValue &value, const char *kind) {
  std::vector<std::string> names;
  std::map<std::string, size_t> seen;
  for (size_t i = 0; i < value.Size(); ++i) {
    const JsonValue entry = value.At(i);
    if (entry.IsNull()) {
      names.emplace_back();
      continue;
    }
    JsonObject o(entry);
    const JsonValue v = o.Require("name");
    std::string name = v.AsString();
    if (!IsValidResourceName(name))
      v.Fail("\"" + name + "\" is not a valid name (a letter or _ first, then letters, digits or _)");
    auto [it, fresh] = seen.emplace(name, i);
    if (!fresh) v.Fail("the name \"" + name + "\" is already used by " + kind + "[" + std::to_string(it->second) + "]");
    names.push_back(std::move(name));
  }
  return names;
}

int32_t ReadNamedChoice(const JsonValue &v, const std::vector<std::pair<const char *, int32_t>> &choices, int32_t lo,
                        int32_t hi) {
  if (!v.Raw().is_string()) return v.AsIntIn(lo, hi);
  const std::string s = v.AsString();
  std::string all;
  for (const auto &[name, number] : choices) {
    if (s == name) return number;
    all += std::string(all.empty() ? "" : ", ") + "\"" + name + "\"";
  }
  v.Fail("expected one of " + all + " (or " + std::to_string(lo) + ".." + std::to_string(hi) + "), found \"" + s +
         "\"");
}

const std::vector<std::pair<const char *, int32_t>> kEventTypes = {
    {"create", 0}, {"destroy", 1}, {"alarm", 2},    {"step", 3},     {"collision", 4},   {"keyboard", 5},
    {"mouse", 6},  {"other", 7},   {"draw", 8},     {"keypress", 9}, {"keyrelease", 10}, {"trigger", 11}};
const std::vector<std::pair<const char *, int32_t>> kActionKinds = {
    {"normal", 0}, {"begin", 1}, {"end", 2}, {"else", 3}, {"exit", 4}, {"repeat", 5}, {"variable", 6}, {"code", 7}};
const std::vector<std::pair<const char *, int32_t>> kExecuteKinds = {{"nothing", 0}, {"function", 1}, {"code", 2}};
const std::vector<std::pair<const char *, int32_t>> kMoments = {{"middle", 0}, {"begin", 1}, {"end", 2}};

// What actions and events may name.
struct RWorldNames {
  const RGameModel &game;
  const std::vector<std::string> &objects;
};

int32_t ReadAppliesTo(const JsonValue &v, const RWorldNames &names) {
  if (v.Raw().is_string()) {
    if (v.AsString() == "self") return -1;
    if (v.AsString() == "other") return -2;
    return ReadReference(v, names.objects, "object");
  }
  const int32_t who = v.AsIntIn(-2, INT32_MAX);
  if (who >= 0) return ReadReference(v, names.objects, "object");
  return who;
}

// The function of an action is found by name when the game loads; a name
// that finds nothing would only be reported then.
void CheckActionFunction(const JsonValue &v, const RWorldNames &names) {
  const std::string name = v.AsString();
  const std::vector<std::string> &scripts = names.game.scripts.names;
  if (std::find(scripts.begin(), scripts.end(), name) != scripts.end() || PackIsBuiltinFunction(name)) return;
  std::vector<std::string> known = scripts;
  for (int32_t i = 0; i < FunctionCount(); ++i) known.push_back(FunctionEntry(i)->f_name);
  const std::string close = PackClosestName(name, known);
  v.Fail("no script or built-in function is named \"" + name + "\"" +
         (close.empty() ? std::string() : " (did you mean " + close + "?)"));
}

// The texts the game compiles for an action that is not a plain piece of
// code, noted for the check with the field they come from: a variable
// action's assignment, a code action's argument, the code of "execute":
// "code", and the arguments that are expressions.
void NoteActionCode(const JsonObject &o, const ProjectFiles &files, const CAction &a) {
  const std::string at = o.Self().FileName() + ": " + o.Self().Path();
  if (a.act_kind == CAction::kVariable) {
    files.NoteCode({at + ".arguments", a.act_argstring[0] + (a.act_relative ? " += " : " = ") + a.act_argstring[1],
                    RCodePiece::kProgram, {}});
    return;
  }
  if (a.act_kind == CAction::kCode) {
    files.NoteCode({at + ".arguments[0]", a.act_argstring[0], RCodePiece::kProgram, {}});
    return;
  }
  if (a.act_exetype == CAction::kExeCode && !a.act_codestring.empty())
    files.NoteCode({at + ".code_string", a.act_codestring, RCodePiece::kProgram, {}});
  for (int i = 0; i < a.act_argumentcount; ++i) {
    const std::string &text = a.act_argstring[static_cast<size_t>(i)];
    const int32_t kind = a.act_argtype[static_cast<size_t>(i)];
    // Text arguments are taken as they are; a text-or-expression one is an
    // expression when it is written as a quoted string.
    const bool quoted = !text.empty() && (text[0] == '\'' || text[0] == '"');
    if (kind == 1 || kind == 15 || (kind == 2 && !quoted)) continue;
    files.NoteCode({at + ".arguments[" + std::to_string(i) + "]", text, RCodePiece::kExpression, {}});
  }
}

void ReadAction(const JsonValue &value, const ProjectFiles &files, const RWorldNames &names, CAction &a) {
  JsonObject o(value);
  const bool plainCode = o.Has("code") || o.Has("code_file");
  if (plainCode) {
    // The usual case: a piece of code.
    a.CreateCode(files.ReadCode(o));
    for (const char *key : {"kind", "execute", "function", "arguments", "code_string"})
      if (o.Has(key)) o.Require(key).Fail("a code action takes its text from \"code\" or \"code_file\" alone");
  } else {
    a.Create(o.Has("kind") ? ReadNamedChoice(o.Require("kind"), kActionKinds, 0, 7) : CAction::kNormal);
    if (std::optional<JsonValue> e = o.Get("execute")) a.act_exetype = ReadNamedChoice(*e, kExecuteKinds, 0, 2);
    a.act_funcname = o.String("function", "");
    if (a.act_exetype == CAction::kExeFunction && a.act_funcname.empty())
      o.Self().Fail("an action that calls a function needs \"function\"");
    if (a.act_exetype == CAction::kExeFunction) CheckActionFunction(o.Require("function"), names);
    a.act_codestring = o.String("code_string", "");
    if (std::optional<JsonValue> args = o.Get("arguments")) {
      if (args->Size() > static_cast<size_t>(CAction::kMaxArguments))
        args->Fail("at most 8 arguments, found " + std::to_string(args->Size()));
      for (size_t i = 0; i < args->Size(); ++i) {
        const JsonValue arg = args->At(i);
        if (arg.Raw().is_string()) {
          a.act_argstring[i] = arg.AsString();
          continue;
        }
        JsonObject ao(arg);
        a.act_argstring[i] = ao.Require("text").AsString();
        a.act_argtype[i] = ao.Int("kind", 0);
        ao.Done();
      }
      a.act_argumentcount = static_cast<int32_t>(args->Size());
    }
  }
  a.act_libid = o.Int("library", a.act_libid);
  a.act_id = o.Int("id", a.act_id);
  a.act_userelative = o.Bool("relative_option", a.act_userelative);
  a.act_isquestion = o.Bool("question", a.act_isquestion);
  a.act_relative = o.Bool("relative", a.act_relative);
  a.act_isnot = o.Bool("not", a.act_isnot);
  if (std::optional<JsonValue> who = o.Get("applies_to")) {
    a.act_who = ReadAppliesTo(*who, names);
    a.act_useapplyto = true;
  }
  a.act_useapplyto = o.Bool("applies_to_option", a.act_useapplyto);
  o.Done();
  if (!plainCode) NoteActionCode(o, files, a);
}

void ReadActions(JsonObject &owner, const ProjectFiles &files, const RWorldNames &names, CEvent &ev) {
  const std::optional<JsonValue> list = owner.Get("actions");
  if (!list) return;
  for (size_t i = 0; i < list->Size(); ++i) {
    auto a = std::make_unique<CAction>();
    ReadAction(list->At(i), files, names, *a);
    ev.e_actions.push_back(std::move(a));
  }
}

int32_t ReadEventNumber(JsonObject &e, int32_t etype, const RWorldNames &names) {
  const std::optional<JsonValue> v = e.Get("number");
  if (!v) {
    if (etype == kEventCollision || etype == kEventTrigger)
      e.Require("number");  // the other object or the trigger must be named
    return 0;
  }
  if (v->Raw().is_string()) {
    if (etype == kEventCollision) return ReadReference(*v, names.objects, "object");
    if (etype == kEventTrigger) {
      const std::string c = v->AsString();
      for (int i = 0; i < names.game.triggers.Count(); ++i)
        if (const CTrigger *t = names.game.triggers.Get(i); t && t->i_constname == c) return i;
      v->Fail("no trigger has the constant \"" + c + "\"");
    }
    v->Fail("expected an integer event number (names are for collision and trigger events)");
  }
  if (etype == kEventCollision) {
    v->AsIntIn(0, INT32_MAX);
    return ReadReference(*v, names.objects, "object");
  }
  if (etype == kEventTrigger && !names.game.triggers.Exists(v->AsIntIn(0, INT32_MAX)))
    v->Fail("no trigger has the index " + std::to_string(v->AsInt()));
  return v->AsIntIn(0, INT32_MAX);
}

void ReadObject(const JsonValue &value, const ProjectFiles &files, const RWorldNames &names, CObject &obj) {
  JsonObject o(value);
  o.Accept("name");
  if (std::optional<JsonValue> v = o.Get("sprite"))
    obj.o_spriteindex = ReadPictureReference(*v, names.game.sprites.names, "sprite");
  if (std::optional<JsonValue> v = o.Get("mask")) obj.o_mask = ReadPictureReference(*v, names.game.sprites.names, "sprite");
  obj.o_solid = o.Bool("solid", obj.o_solid);
  obj.o_visible = o.Bool("visible", obj.o_visible);
  obj.o_depth = o.Int("depth", obj.o_depth);
  obj.o_persistent = o.Bool("persistent", obj.o_persistent);
  if (std::optional<JsonValue> p = o.Get("parent"))
    obj.o_parent = ReadReference(*p, names.objects, "object");
  if (std::optional<JsonValue> list = o.Get("events")) {
    std::map<std::pair<int32_t, int32_t>, std::string> seen;
    for (size_t i = 0; i < list->Size(); ++i) {
      const JsonValue entry = list->At(i);
      JsonObject e(entry);
      const int32_t etype = ReadNamedChoice(e.Require("type"), kEventTypes, 0, kEventTypeCount - 1);
      const int32_t enumb = ReadEventNumber(e, etype, names);
      auto [it, fresh] = seen.emplace(std::make_pair(etype, enumb), entry.Path());
      if (!fresh) entry.Fail("the same event as " + it->second);
      ReadActions(e, files, names, *obj.CreateEvent(etype, enumb));
      e.Done();
    }
  }
  o.Done();
}

}  // namespace

int32_t ReadResourceReference(const JsonValue &v, const std::vector<std::string> &names, const char *kind) {
  return ReadReference(v, names, kind);
}

void ReadTriggers(const JsonValue &value, const ProjectFiles &files, RResourceList<CTrigger> &out) {
  out.Clear();
  std::map<std::string, std::string> constants;
  for (size_t i = 0; i < value.Size(); ++i) {
    const JsonValue entry = value.At(i);
    out.names.emplace_back();
    if (entry.IsNull()) {
      out.items.emplace_back();
      continue;
    }
    JsonObject o(entry);
    auto t = std::make_unique<CTrigger>();
    t->i_name = o.Require("name").AsString();
    if (!o.Has("condition") && !o.Has("condition_file")) o.Require("condition");
    t->i_condition = files.ReadCode(o, "condition", "condition_file");
    if (std::optional<JsonValue> m = o.Get("moment")) t->i_moment = ReadNamedChoice(*m, kMoments, 0, 2);
    if (std::optional<JsonValue> c = o.Get("constant")) {
      t->i_constname = c->AsString();
      if (!IsValidResourceName(t->i_constname))
        c->Fail("\"" + t->i_constname + "\" is not a valid constant name (a letter or _ first, then letters, digits or _)");
      auto [it, fresh] = constants.emplace(t->i_constname, c->Path());
      if (!fresh) c->Fail("the constant \"" + t->i_constname + "\" is already used by " + it->second);
    }
    o.Done();
    out.items.push_back(std::move(t));
  }
}

void ReadTimeLines(const JsonValue &value, const ProjectFiles &files, const RGameModel &game,
                   RResourceList<CTimeLine> &out) {
  out.Clear();
  const std::vector<std::string> names = EntryNames(value, "time_lines");
  // Read after the objects: their actions may name objects.
  const RWorldNames world{game, game.objects.names};
  for (size_t i = 0; i < value.Size(); ++i) {
    const JsonValue entry = value.At(i);
    out.names.push_back(names[i]);
    if (entry.IsNull()) {
      out.items.emplace_back();
      continue;
    }
    JsonObject o(entry);
    o.Accept("name");
    auto tl = std::make_unique<CTimeLine>();
    if (std::optional<JsonValue> moments = o.Get("moments")) {
      for (size_t m = 0; m < moments->Size(); ++m) {
        const JsonValue mv = moments->At(m);
        JsonObject mo(mv);
        const JsonValue stepField = mo.Require("step");
        const int32_t step = stepField.AsIntIn(0, INT32_MAX);
        if (tl->Find(step) >= 0) stepField.Fail("a moment at step " + std::to_string(step) + " is already given");
        ReadActions(mo, files, world, tl->AddMoment(step));
        mo.Done();
      }
    }
    o.Done();
    out.items.push_back(std::move(tl));
  }
}

void ReadObjects(const JsonValue &value, const ProjectFiles &files, RGameModel &game) {
  RResourceList<CObject> &out = game.objects;
  out.Clear();
  const std::vector<std::string> names = EntryNames(value, "objects");
  // Every slot exists before any entry is read, so entries may name later ones.
  for (size_t i = 0; i < value.Size(); ++i) {
    out.items.push_back(value.At(i).IsNull() ? nullptr : std::make_unique<CObject>());
    out.names.push_back(names[i]);
  }
  const RWorldNames world{game, names};
  for (size_t i = 0; i < value.Size(); ++i)
    if (out.items[i]) ReadObject(value.At(i), files, world, *out.items[i]);

  // The runner survives a parent chain that comes back to where it started,
  // but no event would be inherited the way the author meant: refuse it.
  for (size_t i = 0; i < out.items.size(); ++i) {
    if (!out.items[i]) continue;
    int32_t p = out.items[i]->o_parent;
    for (size_t steps = 0; p >= 0 && steps <= out.items.size(); ++steps) {
      if (p == static_cast<int32_t>(i)) {
        JsonValue(value.At(i).Raw().at("parent"), JsonPathKey(value.At(i).Path(), "parent"), value.FileName())
            .Fail("the parent chain of \"" + names[i] + "\" comes back to it");
      }
      const CObject *po = out.Get(p);
      p = po ? po->o_parent : -1;
    }
  }
}
