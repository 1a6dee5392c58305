#include "input/IO_Script.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>

#include "base/Support_Random.h"
#include "input/IO_Joystick.h"
#include "input/IO_Main.h"
#include "platform/Platform_Main.h"

namespace {

// ---- reading ---------------------------------------------------------------------

// The words of a line; a quoted word keeps its spaces and takes the escapes
// \" \\ \n \r \t \b and \uXXXX (one UTF-16 unit). A word that was quoted is
// marked by a leading '"' in quoted.
struct RWords {
  std::vector<std::string> words;
  std::vector<std::u16string> quoted;  // the text of each quoted word (empty otherwise)
  std::vector<bool> isQuoted;
};

bool HexDigit(char c, uint32_t &v) {
  if (c >= '0' && c <= '9') v = static_cast<uint32_t>(c - '0');
  else if (c >= 'a' && c <= 'f') v = static_cast<uint32_t>(c - 'a' + 10);
  else if (c >= 'A' && c <= 'F') v = static_cast<uint32_t>(c - 'A' + 10);
  else return false;
  return true;
}

// UTF-8 bytes as UTF-16 units; false for a broken sequence.
bool AppendUtf16(std::u16string &out, std::string_view s) { return IO_AppendUtf16(out, s, true); }

bool SplitWords(std::string_view line, RWords &w, std::string &error) {
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    if (c == '#') break;
    if (c == '"') {
      std::u16string text;
      std::string raw;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        const char d = line[i];
        if (d == '"') {
          closed = true;
          ++i;
          break;
        }
        if (d != '\\') {
          raw += d;
          ++i;
          continue;
        }
        if (!AppendUtf16(text, raw)) {
          error = "the text is not valid UTF-8";
          return false;
        }
        raw.clear();
        if (i + 1 >= line.size()) break;
        const char e = line[i + 1];
        i += 2;
        switch (e) {
          case '"': text += u'"'; break;
          case '\\': text += u'\\'; break;
          case 'n': text += u'\n'; break;
          case 'r': text += u'\r'; break;
          case 't': text += u'\t'; break;
          case 'b': text += u'\b'; break;
          case 'u': {
            uint32_t unit = 0;
            for (int k = 0; k < 4; ++k) {
              uint32_t v = 0;
              if (i >= line.size() || !HexDigit(line[i], v)) {
                error = "\\u needs four hexadecimal digits";
                return false;
              }
              unit = unit * 16 + v;
              ++i;
            }
            text += static_cast<char16_t>(unit);
            break;
          }
          default: error = std::string("unknown escape \\") + e; return false;
        }
      }
      if (!closed) {
        error = "the text has no closing quote";
        return false;
      }
      if (!AppendUtf16(text, raw)) {
        error = "the text is not valid UTF-8";
        return false;
      }
      w.words.emplace_back("\"");
      w.quoted.push_back(std::move(text));
      w.isQuoted.push_back(true);
      continue;
    }
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '#') ++i;
    w.words.emplace_back(line.substr(start, i - start));
    w.quoted.emplace_back();
    w.isQuoted.push_back(false);
  }
  return true;
}

bool WholeNumber(const std::string &s, int64_t low, int64_t high, int64_t &out) {
  if (s.empty() || s.size() > 18) return false;
  size_t i = 0;
  const bool negative = s[0] == '-';
  if (negative) i = 1;
  if (i >= s.size()) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
  }
  if (negative) v = -v;
  if (v < low || v > high) return false;
  out = v;
  return true;
}

bool RealNumber(const std::string &s, double &out) {
  if (s.empty() || s.size() > 40) return false;
  char *end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (end == nullptr || *end != '\0' || !std::isfinite(v)) return false;
  out = v;
  return true;
}

constexpr const char *kAxes = "xyzruv";

// One event line after its step; false with the reason.
bool ParseEvent(const RWords &w, RScriptEvent &e, std::string &error) {
  const std::vector<std::string> &v = w.words;
  const size_t n = v.size();
  const auto word = [&](size_t i) -> const std::string & {
    static const std::string none;
    return i < n && !w.isQuoted[i] ? v[i] : none;
  };
  const std::string &what = word(1);
  int64_t x = 0, y = 0;
  if (what == "key") {
    if (n != 4 || (word(2) != "down" && word(2) != "up")) {
      error = "expected: key down|up VK";
      return false;
    }
    if (!WholeNumber(word(3), 0, 255, x)) {
      error = "a key is a number from 0 to 255";
      return false;
    }
    e.kind = word(2) == "down" ? TScriptEventKind::KeyDown : TScriptEventKind::KeyUp;
    e.a = static_cast<int32_t>(x);
    return true;
  }
  if (what == "text") {
    if (n != 3 || !w.isQuoted[2]) {
      error = "expected: text \"CHARACTERS\"";
      return false;
    }
    e.kind = TScriptEventKind::Text;
    e.text = w.quoted[2];
    return true;
  }
  if (what == "mouse") {
    if (word(2) == "move") {
      if (n != 5 || !WholeNumber(word(3), -1000000, 1000000, x) || !WholeNumber(word(4), -1000000, 1000000, y)) {
        error = "expected: mouse move X Y";
        return false;
      }
      e.kind = TScriptEventKind::MouseMove;
      e.a = static_cast<int32_t>(x);
      e.b = static_cast<int32_t>(y);
      return true;
    }
    if ((word(2) == "down" || word(2) == "up") && n == 4) {
      const std::string &b = word(3);
      e.a = b == "left" ? 1 : b == "right" ? 2 : b == "middle" ? 3 : 0;
      if (e.a == 0) {
        error = "a mouse button is left, right or middle";
        return false;
      }
      e.kind = word(2) == "down" ? TScriptEventKind::MouseDown : TScriptEventKind::MouseUp;
      return true;
    }
    error = "expected: mouse move X Y, mouse down BUTTON or mouse up BUTTON";
    return false;
  }
  if (what == "wheel") {
    if (n != 3 || (word(2) != "up" && word(2) != "down")) {
      error = "expected: wheel up|down";
      return false;
    }
    e.kind = word(2) == "up" ? TScriptEventKind::WheelUp : TScriptEventKind::WheelDown;
    return true;
  }
  if (what == "focus") {
    if (n != 3 || (word(2) != "lost" && word(2) != "gained")) {
      error = "expected: focus lost|gained";
      return false;
    }
    e.kind = word(2) == "lost" ? TScriptEventKind::FocusLost : TScriptEventKind::FocusGained;
    return true;
  }
  if (what == "close") {
    if (n != 2) {
      error = "expected: close";
      return false;
    }
    e.kind = TScriptEventKind::Close;
    return true;
  }
  if (what == "joystick") {
    if (!WholeNumber(word(2), 1, 2, x)) {
      error = "a joystick is 1 or 2";
      return false;
    }
    e.a = static_cast<int32_t>(x);
    const std::string &part = word(3);
    if (part == "axis" && n == 6) {
      const std::string &axis = word(4);
      const char *at = axis.size() == 1 ? std::strchr(kAxes, axis[0]) : nullptr;
      if (at == nullptr || *at == '\0') {
        error = "an axis is x, y, z, r, u or v";
        return false;
      }
      if (!RealNumber(word(5), e.value) || e.value < -1 || e.value > 1) {
        error = "an axis position is a number from -1 to 1";
        return false;
      }
      e.kind = TScriptEventKind::JoystickAxis;
      e.b = static_cast<int32_t>(at - kAxes);
      return true;
    }
    if (part == "button" && n == 6) {
      if (!WholeNumber(word(4), 1, 32, y)) {
        error = "a joystick button is a number from 1 to 32";
        return false;
      }
      if (word(5) != "down" && word(5) != "up") {
        error = "expected: joystick ID button N down|up";
        return false;
      }
      e.kind = word(5) == "down" ? TScriptEventKind::JoystickButtonDown : TScriptEventKind::JoystickButtonUp;
      e.b = static_cast<int32_t>(y);
      return true;
    }
    if (part == "pov" && n == 5) {
      if (!WholeNumber(word(4), 0, 65535, y) || (y >= 36000 && y != 65535)) {
        error = "a point of view is 0 to 35999 hundredths of degrees, or 65535 for centred";
        return false;
      }
      e.kind = TScriptEventKind::JoystickPov;
      e.value = static_cast<double>(y);
      return true;
    }
    if (part == "gone" && n == 4) {
      e.kind = TScriptEventKind::JoystickGone;
      return true;
    }
    error = "expected: joystick ID axis A P, joystick ID button N down|up, joystick ID pov P or joystick ID gone";
    return false;
  }
  error = what.empty() ? "an event is missing after the step" : "unknown event \"" + what + "\"";
  return false;
}

// ---- writing ---------------------------------------------------------------------

std::string Quoted(const std::u16string &text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    char buf[8];
    if (c == u'"') out += "\\\"";
    else if (c == u'\\') out += "\\\\";
    else if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
    else {
      std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
      out += buf;
    }
  }
  return out + "\"";
}

std::string Real(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

// ---- playing and recording ----------------------------------------------------

const char *const kButtonNames[] = {"", "left", "right", "middle"};

int32_t AxisPosition(double v) {
  return static_cast<int32_t>(std::clamp<long>(std::lround((v + 1) * 32767.5), 0, 65535));
}
double AxisValue(int32_t position) { return position / 32767.5 - 1; }

struct RPlayer {
  bool active = false;
  RInputScript script;
  size_t next = 0;  // the first event not yet delivered
  IWindowEvents *sink = nullptr;
  std::string name;
};
RPlayer s_player;

bool s_focusLost = false;  // a script took the window's focus away
int64_t s_step = 0;
int32_t s_pump = 0;  // pumps inside the current step so far
bool s_live = false;

class CRecorder;
CRecorder *s_recorder = nullptr;  // the one s_recorderOwner holds

void DeliverTo(const RScriptEvent &e, IWindowEvents &sink, const std::string &joystickName) {
  switch (e.kind) {
    case TScriptEventKind::KeyDown: sink.OnKey(e.a, true); break;
    case TScriptEventKind::KeyUp: sink.OnKey(e.a, false); break;
    case TScriptEventKind::Text:
      for (char16_t c : e.text) sink.OnChar(static_cast<uint16_t>(c));
      break;
    case TScriptEventKind::MouseMove: sink.OnMouseMove(e.a, e.b); break;
    case TScriptEventKind::MouseDown: sink.OnMouseButton(e.a, true); break;
    case TScriptEventKind::MouseUp: sink.OnMouseButton(e.a, false); break;
    case TScriptEventKind::WheelUp: sink.OnWheel(true); break;
    case TScriptEventKind::WheelDown: sink.OnWheel(false); break;
    case TScriptEventKind::JoystickAxis: IO_JoystickHeld(e.a, joystickName).axis[e.b] = AxisPosition(e.value); break;
    case TScriptEventKind::JoystickButtonDown: IO_JoystickHeld(e.a, joystickName).buttons |= 1u << (e.b - 1); break;
    case TScriptEventKind::JoystickButtonUp: IO_JoystickHeld(e.a, joystickName).buttons &= ~(1u << (e.b - 1)); break;
    case TScriptEventKind::JoystickPov:
      IO_JoystickHeld(e.a, joystickName).pov = static_cast<int32_t>(e.value);
      break;
    case TScriptEventKind::JoystickGone: IO_JoystickRelease(e.a); break;
    case TScriptEventKind::Close: sink.OnCloseRequest(); break;
    case TScriptEventKind::FocusLost: s_focusLost = true; break;
    case TScriptEventKind::FocusGained: s_focusLost = false; break;
  }
}

// Joystick events need no window; the others go nowhere without a sink.
void Deliver(const RScriptEvent &e, IWindowEvents *sink, const std::string &joystickName) {
  static IWindowEvents *const nowhere = [] {
    class CNowhere : public IWindowEvents {
    public:
      void OnCloseRequest() override {}
      void OnRepaint() override {}
    };
    static CNowhere n;
    return static_cast<IWindowEvents *>(&n);
  }();
  DeliverTo(e, sink ? *sink : *nowhere, joystickName);
}

// Passes the window's events on at the moments a script would deliver
// them, writing each as a script line: those of the loop's own pumps at the
// next step's start, those of the game's own pumps (IO_Handle) at once.
class CRecorder : public IWindowEvents {
public:
  explicit CRecorder(IWindowEvents *next) : m_next(next) {}

  void OnCloseRequest() override { Add(Event(TScriptEventKind::Close)); }
  void OnRepaint() override {
    if (m_next) m_next->OnRepaint();
  }
  void OnKey(int32_t vk, bool down) override {
    RScriptEvent e = Event(down ? TScriptEventKind::KeyDown : TScriptEventKind::KeyUp);
    e.a = vk;
    Add(e);
  }
  void OnChar(uint16_t unit) override {
    // Characters typed together make one line.
    if (!m_pending.empty() && m_pending.back().kind == TScriptEventKind::Text && !m_inPump) {
      m_pending.back().text += static_cast<char16_t>(unit);
      return;
    }
    RScriptEvent e = Event(TScriptEventKind::Text);
    e.text = std::u16string(1, static_cast<char16_t>(unit));
    Add(e);
  }
  void OnMouseButton(int32_t button, bool down) override {
    RScriptEvent e = Event(down ? TScriptEventKind::MouseDown : TScriptEventKind::MouseUp);
    e.a = button;
    Add(e);
  }
  void OnMouseMove(int32_t x, int32_t y) override {
    // Only where the mouse is when the game looks counts.
    if (!m_inPump && !m_pending.empty() && m_pending.back().kind == TScriptEventKind::MouseMove) m_pending.pop_back();
    RScriptEvent e = Event(TScriptEventKind::MouseMove);
    e.a = x;
    e.b = y;
    Add(e);
  }
  void OnWheel(bool up) override { Add(Event(up ? TScriptEventKind::WheelUp : TScriptEventKind::WheelDown)); }

  // The start of a step: the events waiting are written and delivered, and
  // the joysticks are read once for the whole step.
  void StepStart(int64_t step) {
    std::vector<RScriptEvent> events;
    events.swap(m_pending);
    for (RScriptEvent &e : events) {
      e.step = step;
      e.pump = 0;
      Write(e);
      Deliver(e, m_next, "");
    }
    for (int32_t id = 1; id <= 2; ++id) ReadJoystick(id, step);
    // The step clears the input of an inactive window: a replay must too.
    const bool active = PlatformWindow().Active();
    if (active != m_active) {
      m_active = active;
      RScriptEvent e = Event(active ? TScriptEventKind::FocusGained : TScriptEventKind::FocusLost);
      e.step = step;
      Write(e);
    }
  }
  void SetInPump(bool on) { m_inPump = on; }
  IWindowEvents *Next() const { return m_next; }
  void Write(const RScriptEvent &e) { m_text += IO_ScriptLine(e) + "\n"; }
  std::string &Text() { return m_text; }

private:
  static RScriptEvent Event(TScriptEventKind kind) {
    RScriptEvent e;
    e.kind = kind;
    return e;
  }
  void Add(RScriptEvent e) {
    if (!m_inPump) {
      m_pending.push_back(std::move(e));
      return;
    }
    e.step = s_step;
    e.pump = s_pump;
    Write(e);
    Deliver(e, m_next, "");
  }

  // A device's changes since the last step become script lines; the game
  // reads the values written, so a replay reads the same.
  void ReadJoystick(int32_t id, int64_t step) {
    const int slot = IO_JoystickSlot(id);
    if (s_player.active && IO_JoystickIsHeld(id) && !m_device[slot]) return;  // the script's own
    RJoystickPosition now;
    RJoystickCaps caps;
    const bool present = PlatformJoysticks().Position(id, now) && PlatformJoysticks().Caps(id, caps);
    RScriptEvent e;
    e.step = step;
    e.a = id;
    if (!present) {
      if (m_device[slot]) {
        m_device[slot] = false;
        e.kind = TScriptEventKind::JoystickGone;
        Write(e);
        Deliver(e, m_next, "");
      }
      return;
    }
    const RJoystickPosition before = m_device[slot] ? m_last[slot] : RJoystickPosition();
    const bool fresh = !m_device[slot];
    m_device[slot] = true;
    m_last[slot] = now;
    RJoystickPosition &held = IO_JoystickHeld(id, caps.name);
    for (int32_t a = 0; a < 6; ++a) {
      if (!fresh && before.axis[a] == now.axis[a]) continue;
      e.kind = TScriptEventKind::JoystickAxis;
      e.b = a;
      e.value = AxisValue(now.axis[a]);
      Write(e);
    }
    for (int32_t b = 1; b <= 32; ++b) {
      const uint32_t bit = 1u << (b - 1);
      if ((before.buttons & bit) == (now.buttons & bit)) continue;
      e.kind = (now.buttons & bit) ? TScriptEventKind::JoystickButtonDown : TScriptEventKind::JoystickButtonUp;
      e.b = b;
      Write(e);
    }
    if (fresh || before.pov != now.pov) {
      e.kind = TScriptEventKind::JoystickPov;
      e.value = now.pov;
      Write(e);
    }
    // The step reads what the lines say, exactly as a replay will.
    for (int32_t a = 0; a < 6; ++a) held.axis[a] = AxisPosition(AxisValue(now.axis[a]));
    held.buttons = now.buttons;
    held.pov = now.pov;
  }

  IWindowEvents *m_next;
  std::vector<RScriptEvent> m_pending;
  bool m_inPump = false;
  bool m_active = true;
  std::string m_text;
  bool m_device[2] = {};
  RJoystickPosition m_last[2];
};

std::unique_ptr<CRecorder> s_recorderOwner;

}  // namespace

bool IO_ScriptParse(std::string_view text, RInputScript &script, std::string &error) {
  script = RInputScript();
  size_t lineNo = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    RWords w;
    std::string why;
    if (!SplitWords(line, w, why)) {
      error = std::to_string(lineNo) + ": " + why;
      return false;
    }
    if (w.words.empty()) continue;
    const std::string &first = w.words[0];
    if (first == "seed" && !w.isQuoted[0]) {
      int64_t seed = 0;
      if (w.words.size() != 2 || !WholeNumber(w.words[1], -2147483648LL, 4294967295LL, seed)) {
        error = std::to_string(lineNo) + ": expected: seed NUMBER";
        return false;
      }
      script.hasSeed = true;
      script.seed = static_cast<uint32_t>(seed);
      continue;
    }
    RScriptEvent e;
    const size_t dot = first.find('.');
    int64_t step = 0, pump = 0;
    const bool stepOk = !w.isQuoted[0] && WholeNumber(first.substr(0, dot), 0, 999999999999LL, step) &&
                        (dot == std::string::npos || WholeNumber(first.substr(dot + 1), 1, 1000000000, pump));
    if (!stepOk) {
      error = std::to_string(lineNo) + ": a line starts with a step number (or is seed NUMBER)";
      return false;
    }
    e.step = step;
    e.pump = static_cast<int32_t>(pump);
    if (!ParseEvent(w, e, why)) {
      error = std::to_string(lineNo) + ": " + why;
      return false;
    }
    if (!script.events.empty()) {
      const RScriptEvent &last = script.events.back();
      if (e.step < last.step || (e.step == last.step && e.pump < last.pump)) {
        error = std::to_string(lineNo) + ": the steps must not go back";
        return false;
      }
    }
    script.events.push_back(std::move(e));
  }
  return true;
}

std::string IO_ScriptLine(const RScriptEvent &e) {
  std::string s = std::to_string(e.step);
  if (e.pump > 0) s += "." + std::to_string(e.pump);
  s += ' ';
  const std::string joystick = "joystick " + std::to_string(e.a) + " ";
  switch (e.kind) {
    case TScriptEventKind::KeyDown: return s + "key down " + std::to_string(e.a);
    case TScriptEventKind::KeyUp: return s + "key up " + std::to_string(e.a);
    case TScriptEventKind::Text: return s + "text " + Quoted(e.text);
    case TScriptEventKind::MouseMove: return s + "mouse move " + std::to_string(e.a) + " " + std::to_string(e.b);
    case TScriptEventKind::MouseDown: return s + "mouse down " + kButtonNames[std::clamp(e.a, 0, 3)];
    case TScriptEventKind::MouseUp: return s + "mouse up " + kButtonNames[std::clamp(e.a, 0, 3)];
    case TScriptEventKind::WheelUp: return s + "wheel up";
    case TScriptEventKind::WheelDown: return s + "wheel down";
    case TScriptEventKind::JoystickAxis:
      return s + joystick + "axis " + kAxes[std::clamp(e.b, 0, 5)] + " " + Real(e.value);
    case TScriptEventKind::JoystickButtonDown: return s + joystick + "button " + std::to_string(e.b) + " down";
    case TScriptEventKind::JoystickButtonUp: return s + joystick + "button " + std::to_string(e.b) + " up";
    case TScriptEventKind::JoystickPov: return s + joystick + "pov " + std::to_string(static_cast<int64_t>(e.value));
    case TScriptEventKind::JoystickGone: return s + joystick + "gone";
    case TScriptEventKind::Close: return s + "close";
    case TScriptEventKind::FocusLost: return s + "focus lost";
    case TScriptEventKind::FocusGained: return s + "focus gained";
  }
  return s;
}

void IO_ScriptPlay(RInputScript script, IWindowEvents *sink, const std::string &name) {
  s_player = RPlayer();
  s_player.active = true;
  s_player.script = std::move(script);
  s_player.sink = sink;
  s_player.name = name;
  if (s_player.script.hasSeed) RandomFixSeeds(s_player.script.seed);
}

bool IO_ScriptActive() { return s_player.active; }

void IO_RecordStart(IWindowEvents *sink) {
  s_recorderOwner = std::make_unique<CRecorder>(sink);
  s_recorder = s_recorderOwner.get();
  // The seed the game starts with: whatever the clock gives, written down.
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  const uint32_t seed = s_player.active && s_player.script.hasSeed
                            ? s_player.script.seed
                            : static_cast<uint32_t>(static_cast<uint64_t>(ticks) * 2654435761u);
  RandomFixSeeds(seed);
  s_recorder->Text() = "# input recorded by quillon --record\nseed " + std::to_string(seed) + "\n";
  PlatformWindow().SetEventSink(s_recorder);
}

std::string IO_RecordText() { return s_recorder ? s_recorder->Text() : std::string(); }

bool IO_Recording() { return s_recorder != nullptr; }

namespace {

// Delivers the script's events due now: those of earlier steps not yet
// delivered and those of this step up to pump.
void PlayDue(int32_t pump) {
  if (!s_player.active) return;
  std::vector<RScriptEvent> &events = s_player.script.events;
  while (s_player.next < events.size()) {
    const RScriptEvent &e = events[s_player.next];
    if (e.step > s_step || (e.step == s_step && e.pump > pump)) break;
    ++s_player.next;
    if (s_recorder) {
      // Recorded at the moment it reached the game.
      RScriptEvent r = e;
      r.step = s_step;
      r.pump = pump;
      s_recorder->Write(r);
      Deliver(r, s_recorder->Next(), s_player.name);
    } else {
      Deliver(e, s_player.sink, s_player.name);
    }
  }
}

}  // namespace

void IO_ScriptStepStart(int64_t step) {
  s_step = step;
  s_pump = 0;
  if (s_recorder) s_recorder->StepStart(step);
  PlayDue(0);
}

void IO_ScriptPumpBegin() {
  ++s_pump;
  if (s_recorder) s_recorder->SetInPump(true);
  PlayDue(s_pump);
}

void IO_ScriptPumpEnd() {
  if (s_recorder) s_recorder->SetInPump(false);
}

bool IO_InputCanArrive() {
  return s_live || (s_player.active && s_player.next < s_player.script.events.size());
}

void IO_SetWindowLive(bool live) { s_live = live; }

bool IO_WindowActive() { return PlatformWindow().Active() && !s_focusLost; }

bool IO_WindowLive() { return s_live; }

void IO_ScriptReset() {
  if (s_recorder) PlatformWindow().SetEventSink(s_recorder->Next());
  s_recorderOwner.reset();
  s_recorder = nullptr;
  s_player = RPlayer();
  s_step = 0;
  s_pump = 0;
  s_live = false;
  s_focusLost = false;
  IO_JoystickReleaseHeld();
  RandomUnfixSeeds();
}
