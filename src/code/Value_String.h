// RString: the text of a script value. Immutable UTF-8 held behind one
// reference-counted pointer, so copying a value never copies its text and the
// empty text costs no allocation. Everything runs on the main thread, so the
// count is a plain integer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

class RString {
public:
  RString() noexcept = default;
  RString(std::string_view s) { Assign(s.data(), s.size()); }
  RString(const char *s) { Assign(s, std::strlen(s)); }
  RString(const std::string &s) { Assign(s.data(), s.size()); }
  RString(const RString &o) noexcept : m_rep(o.m_rep) { if (m_rep) ++m_rep->refs; }
  RString(RString &&o) noexcept : m_rep(o.m_rep) { o.m_rep = nullptr; }
  ~RString() { Release(); }

  RString &operator=(const RString &o) noexcept {
    if (o.m_rep) ++o.m_rep->refs;
    Release();
    m_rep = o.m_rep;
    return *this;
  }
  RString &operator=(RString &&o) noexcept {
    if (this != &o) { Release(); m_rep = o.m_rep; o.m_rep = nullptr; }
    return *this;
  }

  // A text of n bytes written in place by fill(char *), without a detour
  // through another buffer (joining and repeating texts).
  template <class F>
  static RString Build(size_t n, F &&fill) {
    RString r;
    if (n == 0) return r;
    r.Allocate(n);
    fill(r.m_rep->data);
    return r;
  }

  size_t size() const noexcept { return m_rep ? m_rep->len : 0; }
  // A text object is only made for at least one byte.
  bool empty() const noexcept { return m_rep == nullptr; }
  const char *data() const noexcept { return m_rep ? m_rep->data : ""; }
  const char *c_str() const noexcept { return data(); }
  std::string_view view() const noexcept { return {data(), size()}; }
  std::string str() const { return std::string(view()); }
  operator std::string_view() const noexcept { return view(); }

  friend bool operator==(const RString &a, const RString &b) noexcept {
    return a.m_rep == b.m_rep || a.view() == b.view();
  }
  friend bool operator==(const RString &a, std::string_view b) noexcept { return a.view() == b; }

private:
  struct Rep {
    int32_t refs;
    uint32_t len;
    char data[1];
  };

  void Allocate(size_t n) {
    void *mem = ::operator new(offsetof(Rep, data) + n + 1);
    m_rep = static_cast<Rep *>(mem);
    m_rep->refs = 1;
    m_rep->len = static_cast<uint32_t>(n);
    m_rep->data[n] = '\0';
  }
  void Assign(const char *s, size_t n) {
    if (n == 0) { m_rep = nullptr; return; }
    Allocate(n);
    std::memcpy(m_rep->data, s, n);
  }
  void Release() noexcept {
    if (m_rep && --m_rep->refs == 0) ::operator delete(m_rep);
    m_rep = nullptr;
  }

  Rep *m_rep = nullptr;
};
