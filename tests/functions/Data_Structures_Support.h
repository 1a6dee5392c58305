// Shared by the data-structure tests: a fixture with a fresh function table
// holding the ds_* family, calls through the table, the errors the calls
// reported, and a builder for expected texts written from the record layout.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "functions/Function_Data_Structures.h"
#include "functions/Support_Data_Structures.h"
#include "support/Test_Platform.h"
#include "base/Option_Main.h"

inline RValue R(double v) { return RValue::Real(v); }
inline RValue S(std::string_view s) { return RValue::Str(RString(s)); }

// Expected texts, byte by byte: little-endian integers and doubles, strings
// with their byte count, as upper-case hexadecimal pairs.
class HexText {
public:
  HexText &Int(int32_t v) { return Bytes(&v, 4); }
  HexText &Real(double v) { return Bytes(&v, 8); }
  HexText &Str(std::string_view s) {
    Int(static_cast<int32_t>(s.size()));
    return Bytes(s.data(), s.size());
  }
  HexText &Value(const RValue &v) {
    Int(v.kind);
    Real(v.val);
    return Str(v.str.view());
  }
  HexText &Raw(std::string_view hex) {
    m_text += hex;
    return *this;
  }
  const std::string &Text() const { return m_text; }

private:
  HexText &Bytes(const void *p, size_t n) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto *b = static_cast<const unsigned char *>(p);
    for (size_t i = 0; i < n; ++i) {
      m_text += kHex[b[i] >> 4];
      m_text += kHex[b[i] & 15];
    }
    return *this;
  }
  std::string m_text;
};

class CollectingWindow : public testplatform::CErrorWindowDialogs {
public:
  std::vector<std::string> messages;
  bool Show(std::string_view text, bool fatal) override {
    // The message is what follows the event context and its empty line.
    const size_t at = text.rfind("\r\n\r\n");
    messages.emplace_back(at == std::string_view::npos ? text : text.substr(at + 4));
    fatals += fatal ? 1 : 0;
    return true;
  }
  int fatals = 0;
};

class DsTest : public ::testing::Test {
protected:
  void SetUp() override {
    FunctionTableReset();
    Function_Data_Structures_Init();
    DsResetAll();
    DsSetRandomSource(nullptr);
    m_saved[0] = g_Settings.opt_displayerrors;
    m_saved[1] = g_Settings.opt_writeerrors;
    m_saved[2] = g_Settings.opt_aborterrors;
    g_Settings.opt_displayerrors = true;
    g_Settings.opt_writeerrors = false;
    g_Settings.opt_aborterrors = false;
    testplatform::SetDialogs(&m_window);
    ErrorReset();
  }
  void TearDown() override {
    testplatform::SetDialogs(nullptr);
    ErrorReset();
    g_Settings.opt_displayerrors = m_saved[0];
    g_Settings.opt_writeerrors = m_saved[1];
    g_Settings.opt_aborterrors = m_saved[2];
    DsResetAll();
    DsSetRandomSource(nullptr);
    FunctionTableReset();
  }

  // Calls a ds_* function through the table as compiled code does: the
  // arguments in a block of 16 values, the result starting as real 0.
  RValue Call(std::string_view name, std::initializer_list<RValue> args = {}) {
    const int32_t id = FunctionFind(name);
    EXPECT_GE(id, 0) << name;
    if (id < 0) return {};
    RValue block[kMaxCallArguments];
    int argc = 0;
    for (const RValue &a : args) block[argc++] = a;
    RValue result;
    FunctionRoutine(id)(nullptr, nullptr, argc, block, result);
    return result;
  }
  double Num(std::string_view name, std::initializer_list<RValue> args = {}) {
    const RValue r = Call(name, args);
    EXPECT_EQ(r.kind, RValue::kReal) << name;
    return r.val;
  }
  std::string Text(std::string_view name, std::initializer_list<RValue> args = {}) {
    const RValue r = Call(name, args);
    EXPECT_EQ(r.kind, RValue::kString) << name;
    return r.str.str();
  }
  // The messages reported since the last call, then forgotten.
  // Each look at the errors closes a step: the same report made again later
  // is shown again, as in the next step of a game.
  std::vector<std::string> TakeErrors() {
    ErrorEndRepeats();
    std::vector<std::string> out;
    out.swap(m_window.messages);
    return out;
  }

  CollectingWindow m_window;
  bool m_saved[3] = {};
};
