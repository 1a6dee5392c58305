// The actions that steer the game: rooms, alarms, time lines, the game
// itself, the questions that decide which actions run, scripts, variables,
// score, lives and health, and the dialogs that talk to the player.
#include <cmath>
#include <string>
#include <vector>

#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Code_Operator.h"
#include "functions/Function_Action_Support.h"
#include "functions/Function_Math.h"
#include "base/Support_Random.h"
#include "input/IO_Main.h"
#include "platform/Platform_Main.h"
#include "base/Support_Path.h"
#include "world/Instance_Class.h"
#include "world/Room_Main.h"
#include "world/Run_Main.h"

namespace action {
namespace {

void Answer(RValue &result, bool yes) { result.SetReal(yes ? 1 : 0); }

double RelX(const CInstance *self, const RValue &v) { return self ? Rel(v.val, self->i_x) : v.val; }
double RelY(const CInstance *self, const RValue &v) { return self ? Rel(v.val, self->i_y) : v.val; }

// --- rooms ------------------------------------------------------------------------

void A_AnotherRoom(CInstance *, CInstance *, int, RValue *args, RValue &) {
  g_Run.transitionKind = Int(args[1]);
  Run_RequestRoom(Int(args[0]));
}
void A_CurrentRoom(CInstance *, CInstance *, int, RValue *args, RValue &) {
  g_Run.transitionKind = Int(args[0]);
  Run_RequestRoom(g_RoomIndex);
}

CBuiltin s_gotoPrevious("room_goto_previous"), s_gotoNext("room_goto_next");
// The previous and next room keep the errors of room_goto_previous and
// room_goto_next at the ends of the room order.
void A_PreviousRoom(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  g_Run.transitionKind = Int(args[0]);
  s_gotoPrevious.Call(self, other, {});
}
void A_NextRoom(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  g_Run.transitionKind = Int(args[0]);
  s_gotoNext.Call(self, other, {});
}
void A_IfPreviousRoom(CInstance *, CInstance *, int, RValue *, RValue &result) {
  Answer(result, g_RoomOrder.empty() || g_RoomIndex != g_RoomOrder.front());
}
void A_IfNextRoom(CInstance *, CInstance *, int, RValue *, RValue &result) {
  Answer(result, g_RoomOrder.empty() || g_RoomIndex != g_RoomOrder.back());
}

// --- alarms, sleeping, time lines ----------------------------------------------------

// Relative adds to a running alarm only; one that is off starts afresh.
void A_SetAlarm(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self == nullptr) return;
  const int alarm = Int(args[1]);
  const int32_t steps = Int(args[0]);
  const int32_t now = self->GetAlarm(alarm);
  self->SetAlarm(alarm, Relative() && now >= 0 ? static_cast<int32_t>(int64_t{now} + steps) : steps);
}

void A_Sleep(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (Bool(args[1])) {
    const RRunHooks &hooks = Run_Hooks();
    if (hooks.drawRoom) hooks.drawRoom();
    if (hooks.presentFrame) hooks.presentFrame();
  }
  const int32_t ms = Int(args[0]);
  Run_Sleep(ms == INT32_MIN ? 0 : ms);
}

// A time-line position is a whole step.
double Step(double v) { return std::isfinite(v) ? std::nearbyint(v) : 0; }

void A_SetTimeline(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self == nullptr) return;
  self->i_timelineindex = Int(args[0]);
  self->i_timelineposition = Step(Num(args[1]));
  self->i_timelinerunning = true;
}
// start is a choice whose first entry (0) starts the time line at once.
void A_TimelineSet(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self == nullptr) return;
  self->i_timelineindex = Int(args[0]);
  self->i_timelineposition = Step(Num(args[1]));
  self->i_timelinerunning = Int(args[2]) == 0;
  self->i_timelineloop = Int(args[3]) == 1;
}
void A_TimelineStart(CInstance *self, CInstance *, int, RValue *, RValue &) {
  if (self) self->i_timelinerunning = true;
}
void A_TimelinePause(CInstance *self, CInstance *, int, RValue *, RValue &) {
  if (self) self->i_timelinerunning = false;
}
void A_TimelineStop(CInstance *self, CInstance *, int, RValue *, RValue &) {
  if (self == nullptr) return;
  self->i_timelineposition = 0;
  self->i_timelinerunning = false;
}
void A_SetTimelinePosition(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self) self->i_timelineposition = Step(Rel(Num(args[0]), self->i_timelineposition));
}
void A_SetTimelineSpeed(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self) self->i_timelinespeed = Rel(Num(args[0]), self->i_timelinespeed);
}

// --- the game ---------------------------------------------------------------------

void A_EndGame(CInstance *, CInstance *, int, RValue *, RValue &) { g_PendingCode = kPendingEnd; }
void A_RestartGame(CInstance *, CInstance *, int, RValue *, RValue &) { g_PendingCode = kPendingRestart; }

CBuiltin s_gameSave("game_save"), s_gameLoad("game_load");
void A_SaveGame(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  s_gameSave.Call(self, other, {args[0]});
}
void A_LoadGame(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  s_gameLoad.Call(self, other, {args[0]});
}

// --- questions --------------------------------------------------------------------

void A_If(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(args[0].IsReal() ? Num(args[0]) : 0);
}

CBuiltin s_instanceNumber("instance_number");
void A_IfNumber(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  RValue count;
  s_instanceNumber.Call(self, other, {args[0]}, count);
  Answer(result, CompareReals(count.val, Num(args[1]), Int(args[2])));
}

CBuiltin s_placeFree("place_free"), s_placeEmpty("place_empty");
// The place questions ask place_free or place_empty at the (relative)
// place; an action question negates the answer for "collision".
void PlaceFree(CInstance *self, CInstance *other, RValue *args, RValue &result, bool negate) {
  RValue answer;
  const bool asked = (Int(args[2]) == 0 ? s_placeFree : s_placeEmpty)
                         .Call(self, other, {Real(RelX(self, args[0])), Real(RelY(self, args[1]))}, answer);
  Answer(result, asked && RealIsTrue(answer.val) != negate);
}
void A_IfEmpty(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  PlaceFree(self, other, args, result, false);
}
void A_IfCollision(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  PlaceFree(self, other, args, result, true);
}

CBuiltin s_placeMeeting("place_meeting");
void A_IfObject(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  s_placeMeeting.Call(self, other, {Real(RelX(self, args[1])), Real(RelY(self, args[2])), args[0]}, result);
}

CBuiltin s_placeSnapped("place_snapped");
void A_IfAligned(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  s_placeSnapped.Call(self, other, {args[0], args[1]}, result);
}

CBuiltin s_showQuestion("show_question");
// Without the question dialog the question is printed and the default
// button (Yes) answers it, as any dialog does when nobody can see it.
void A_IfQuestion(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  if (!s_showQuestion.Call(self, other, {args[0]}, result)) {
    ShowMessage(self, other, args[0]);
    result.SetReal(1);
  }
  IO_Clear();
}

// A die of `sides` sides shows one about once in `sides` throws.
void A_IfDice(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const double sides = Num(args[0]);
  if (!(sides > 1)) {
    Answer(result, true);
    return;
  }
  const double range = std::nearbyint(sides * 1000);
  const uint64_t n = range < 9.2e18 ? static_cast<uint64_t>(range) : uint64_t{1} << 62;
  Answer(result, RandomBelow(n) < 1001);
}

void A_IfMouse(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const int32_t button = Int(args[0]);
  if (button >= 1 && button <= kMouseButtons) {
    Answer(result, g_Input.buttonDown[button - 1]);
    return;
  }
  bool any = false;
  for (bool down : g_Input.buttonDown) any = any || down;
  Answer(result, !any);
}

// --- scripts and inheritance --------------------------------------------------------

void A_ExecuteScript(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  if (!CallScript(Int(args[0]), self, other, result, false, args + 1, 5)) {
    const std::string text = CodeErrorText();
    CodeErrorClear();
    ReportActionError(text, false);
  }
}

CBuiltin s_eventInherited("event_inherited");
void A_Inherited(CInstance *self, CInstance *other, int, RValue *, RValue &) {
  s_eventInherited.Call(self, other, {});
}

// --- variables ------------------------------------------------------------------------

void A_IfVariable(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const RValue &a = args[0], &b = args[1];
  const int32_t op = Int(args[2]);
  if (a.kind != b.kind) {
    ReportActionError(opmsg::kCompare, false);
    Answer(result, false);
    return;
  }
  if (a.IsReal()) {
    Answer(result, CompareReals(a.val, b.val, op));
    return;
  }
  const int c = CompareText(a.str.view(), b.str.view());
  Answer(result, op == 1 ? c < 0 : op == 2 ? c > 0 : c == 0);
}

CBuiltin s_drawText("draw_text");
void DrawText(CInstance *self, CInstance *other, const RValue &x, const RValue &y, const std::string &text) {
  s_drawText.Call(self, other, {Real(RelX(self, x)), Real(RelY(self, y)), Text(text)});
}

void A_DrawVariable(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  DrawText(self, other, args[1], args[2], ValueText(args[0]));
}

// --- score, lives, health ---------------------------------------------------------------
// They are written through their variables, whose owners round them and
// raise "no more lives" and "no more health".

void A_SetScore(CInstance *, CInstance *, int, RValue *args, RValue &) {
  SetGameVariable("score", Real(Rel(Num(args[0]), g_Game.score)));
}
void A_SetLife(CInstance *, CInstance *, int, RValue *args, RValue &) {
  SetGameVariable("lives", Real(Rel(Num(args[0]), g_Game.lives)));
}
void A_SetHealth(CInstance *, CInstance *, int, RValue *args, RValue &) {
  SetGameVariable("health", Real(Rel(Num(args[0]), g_Game.health)));
}
void A_IfScore(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  Answer(result, CompareReals(g_Game.score, Num(args[0]), Int(args[1])));
}
void A_IfLife(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  Answer(result, CompareReals(g_Game.lives, Num(args[0]), Int(args[1])));
}
void A_IfHealth(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  Answer(result, CompareReals(g_Game.health, Num(args[0]), Int(args[1])));
}

void A_DrawScore(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  DrawText(self, other, args[0], args[1], ValueText(args[2]) + std::to_string(g_Game.score));
}
void A_DrawLife(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  DrawText(self, other, args[0], args[1], ValueText(args[2]) + std::to_string(g_Game.lives));
}

void A_SetCaption(CInstance *, CInstance *, int, RValue *args, RValue &) {
  static constexpr const char *kShow[3] = {"show_score", "show_lives", "show_health"};
  static constexpr const char *kCaption[3] = {"caption_score", "caption_lives", "caption_health"};
  for (int i = 0; i < 3; ++i) {
    SetGameVariable(kShow[i], Real(Int(args[2 * i]) == 1 ? 1 : 0));
    SetGameVariable(kCaption[i], Text(ValueText(args[2 * i + 1])));
  }
}

// --- dialogs ----------------------------------------------------------------------------
// Each leaves the keyboard and mouse as if nothing had been held, so that
// the keys that closed the dialog do not reach the game.

void A_Message(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  ShowMessage(self, other, args[0]);
  IO_Clear();
}

template <CBuiltin &Dialog, int Count>
void A_Dialog(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  if constexpr (Count == 0) Dialog.Call(self, other, {});
  if constexpr (Count == 1) Dialog.Call(self, other, {args[0]});
  if constexpr (Count == 2) Dialog.Call(self, other, {args[0], args[1]});
  if constexpr (Count == 3) Dialog.Call(self, other, {args[0], args[1], args[2]});
  IO_Clear();
}
CBuiltin s_showInfo("show_info"), s_showVideo("show_video"), s_splashVideo("splash_show_video"),
    s_highscoreClear("highscore_clear");

// The splash images and texts stay until the player closes them.
template <CBuiltin &Splash>
void A_SplashUntilClosed(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  Splash.Call(self, other, {args[0], Real(0)});
  IO_Clear();
}
CBuiltin s_splashText("splash_show_text"), s_splashImage("splash_show_image"), s_splashWeb("splash_show_web");

CBuiltin s_splashCaption("splash_set_caption"), s_splashFullscreen("splash_set_fullscreen"),
    s_splashBorder("splash_set_border"), s_splashStopKey("splash_set_stop_key"),
    s_splashStopMouse("splash_set_stop_mouse");
void A_SplashSettings(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  s_splashCaption.Call(self, other, {args[0]});
  s_splashFullscreen.Call(self, other, {args[1]});
  s_splashBorder.Call(self, other, {args[2]});
  s_splashStopKey.Call(self, other, {args[3]});
  s_splashStopMouse.Call(self, other, {args[4]});
}

void A_Webpage(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (SecureMode()) {
    ReportActionError("In secure mode you cannot open webpages.", false);
  } else if (!args[0].IsString() || !PlatformProcesses().Open(std::string(args[0].str.view()), {})) {
    ReportActionError("Failed to open the webpage.", false);
  }
  IO_Clear();
}

// The font of the table comes as a text: name, size, colour, then the flags
// bold, italic, underline and strikeout ("1" for on), separated by commas
// and, outside double quotes, by spaces.
std::vector<std::string> FontItems(std::string_view text) {
  std::vector<std::string> items;
  std::string item;
  bool quoted = false, any = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (c == ',' || (c == ' ' && !quoted)) {
      if (c == ',' || any || !item.empty()) items.push_back(item);
      item.clear();
      any = false;
    } else {
      item += c;
      any = true;
    }
  }
  if (any || !item.empty()) items.push_back(item);
  return items;
}

CBuiltin s_highscoreFont("highscore_set_font"), s_highscoreShow("highscore_show_ext");
void A_HighscoreShow(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const std::vector<std::string> font = FontItems(args[4].IsString() ? args[4].str.view() : std::string_view());
  auto item = [&](size_t i) { return i < font.size() ? font[i] : std::string(); };
  const std::string name = item(0);
  double size = 0;
  StringToReal(item(1), size);
  // Bold and italic make the style; the table has no underline or strikeout.
  const int style = (item(3) == "1" ? 1 : 0) + (item(4) == "1" ? 2 : 0);
  s_highscoreFont.Call(self, other, {Text(name), Real(size), Real(style)});
  s_highscoreShow.Call(self, other,
                       {Real(g_Game.score), args[0], Real(Int(args[1]) == 1 ? 1 : 0), args[2], args[3], Text(name),
                        Real(size)});
  IO_Clear();
}

}  // namespace

void RegisterControl() {
  FunctionAdd("action_another_room", A_AnotherRoom, 2);
  FunctionAdd("action_current_room", A_CurrentRoom, 1);
  FunctionAdd("action_previous_room", A_PreviousRoom, 1);
  FunctionAdd("action_next_room", A_NextRoom, 1);
  FunctionAdd("action_if_previous_room", A_IfPreviousRoom, 0);
  FunctionAdd("action_if_next_room", A_IfNextRoom, 0);
  FunctionAdd("action_set_alarm", A_SetAlarm, 2);
  FunctionAdd("action_sleep", A_Sleep, 2);
  FunctionAdd("action_set_timeline", A_SetTimeline, 2);
  FunctionAdd("action_timeline_set", A_TimelineSet, 4);
  FunctionAdd("action_timeline_start", A_TimelineStart, 0);
  FunctionAdd("action_timeline_pause", A_TimelinePause, 0);
  FunctionAdd("action_timeline_stop", A_TimelineStop, 0);
  FunctionAdd("action_set_timeline_position", A_SetTimelinePosition, 1);
  FunctionAdd("action_set_timeline_speed", A_SetTimelineSpeed, 1);
  FunctionAdd("action_message", A_Message, 1);
  FunctionAdd("action_show_info", A_Dialog<s_showInfo, 0>, 0);
  FunctionAdd("action_show_video", A_Dialog<s_showVideo, 3>, 3);
  FunctionAdd("action_splash_video", A_Dialog<s_splashVideo, 2>, 2);
  FunctionAdd("action_splash_text", A_SplashUntilClosed<s_splashText>, 1);
  FunctionAdd("action_splash_image", A_SplashUntilClosed<s_splashImage>, 1);
  FunctionAdd("action_splash_web", A_SplashUntilClosed<s_splashWeb>, 2);
  FunctionAdd("action_splash_settings", A_SplashSettings, 5);
  FunctionAdd("action_end_game", A_EndGame, 0);
  FunctionAdd("action_restart_game", A_RestartGame, 0);
  FunctionAdd("action_save_game", A_SaveGame, 1);
  FunctionAdd("action_load_game", A_LoadGame, 1);
  FunctionAdd("action_if_empty", A_IfEmpty, 3);
  FunctionAdd("action_if_collision", A_IfCollision, 3);
  FunctionAdd("action_if", A_If, 1);
  FunctionAdd("action_if_number", A_IfNumber, 3);
  FunctionAdd("action_if_object", A_IfObject, 3);
  FunctionAdd("action_if_question", A_IfQuestion, 1);
  FunctionAdd("action_if_dice", A_IfDice, 1);
  FunctionAdd("action_if_mouse", A_IfMouse, 1);
  FunctionAdd("action_if_aligned", A_IfAligned, 2);
  FunctionAdd("action_execute_script", A_ExecuteScript, 6);
  FunctionAdd("action_inherited", A_Inherited, 0);
  FunctionAdd("action_if_variable", A_IfVariable, 3);
  FunctionAdd("action_draw_variable", A_DrawVariable, 3);
  FunctionAdd("action_set_score", A_SetScore, 1);
  FunctionAdd("action_if_score", A_IfScore, 2);
  FunctionAdd("action_draw_score", A_DrawScore, 3);
  FunctionAdd("action_highscore_show", A_HighscoreShow, 5);
  FunctionAdd("action_highscore_clear", A_Dialog<s_highscoreClear, 0>, 0);
  FunctionAdd("action_set_life", A_SetLife, 1);
  FunctionAdd("action_if_life", A_IfLife, 2);
  FunctionAdd("action_draw_life", A_DrawLife, 3);
  FunctionAdd("action_set_health", A_SetHealth, 1);
  FunctionAdd("action_if_health", A_IfHealth, 2);
  FunctionAdd("action_set_caption", A_SetCaption, 6);
  FunctionAdd("action_webpage", A_Webpage, 1);
}

}  // namespace action
