// Process-level services that scripts reach: the game window's handle, the
// program priority, the application title and the clipboard. The runner
// installs the platform's implementation once it has a window; until then
// (and in headless runs) the headless one answers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The priority levels a game may ask for (set_program_priority): 1, 2, 3
// raise it, -1, -2, -3 lower it, 0 is normal.
class IProcessServices {
public:
  virtual ~IProcessServices() = default;
  virtual int64_t WindowHandle() = 0;
  virtual void SetPriority(int level) = 0;
  virtual void SetTitle(std::string_view title) = 0;
  virtual bool ClipboardHasText() = 0;
  virtual void ClipboardSetText(std::string_view text) = 0;
  virtual std::string ClipboardGetText() = 0;
};

// Without a display: no window (handle 0); the priority and the title are
// only remembered; the clipboard is a text kept inside the process, so a
// game can still copy and paste within itself.
class CHeadlessProcess : public IProcessServices {
public:
  int64_t WindowHandle() override { return 0; }
  void SetPriority(int level) override { m_priority = level; }
  void SetTitle(std::string_view title) override { m_title.assign(title); }
  bool ClipboardHasText() override { return m_hasClip; }
  void ClipboardSetText(std::string_view text) override {
    m_clip.assign(text);
    m_hasClip = true;
  }
  std::string ClipboardGetText() override { return m_hasClip ? m_clip : std::string(); }

  int Priority() const { return m_priority; }
  const std::string &Title() const { return m_title; }

private:
  int m_priority = 0;
  std::string m_title;
  std::string m_clip;
  bool m_hasClip = false;
};

// The services in use (the headless ones until others are installed).
IProcessServices &ProcessServices();
// Installs services; null goes back to the headless ones. The caller keeps
// ownership and keeps them alive while installed.
void SetProcessServices(IProcessServices *services);
