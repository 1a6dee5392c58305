// Calling built-in functions the way compiled code does: through the table,
// with a 16-value argument array and a result that starts as real 0. Errors
// are not shown but remembered, so tests can read the last report.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Variable_Class.h"
#include "functions/Function_Math.h"
#include "base/Option_Main.h"

class FunctionTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_saved[0] = g_Settings.opt_displayerrors;
    m_saved[1] = g_Settings.opt_writeerrors;
    m_saved[2] = g_Settings.opt_aborterrors;
    g_Settings.opt_displayerrors = false;
    g_Settings.opt_writeerrors = false;
    g_Settings.opt_aborterrors = false;
    ErrorReset();
    FunctionTableReset();
    Function_Math_Init();
  }
  void TearDown() override {
    g_Settings.opt_displayerrors = m_saved[0];
    g_Settings.opt_writeerrors = m_saved[1];
    g_Settings.opt_aborterrors = m_saved[2];
    ErrorReset();
    FunctionTableReset();
  }

  // Calls a registered function; forgets any earlier report first.
  static RValue Call(std::string_view name, std::initializer_list<RValue> args = {}) {
    const int32_t id = FunctionFind(name);
    EXPECT_GE(id, 0) << name;
    RValue argv[kMaxCallArguments];
    int argc = 0;
    for (const RValue &a : args) argv[argc++] = a;
    RValue result;
    ErrorReset();
    if (id >= 0) FunctionRoutine(id)(nullptr, nullptr, argc, argv, result);
    return result;
  }
  // The message of the last report ("" when the call reported nothing).
  static std::string Reported() {
    if (!ErrorOccurred()) return "";
    const std::string &text = ErrorLast();
    const size_t p = text.rfind("\r\n\r\n");
    return p == std::string::npos ? text : text.substr(p + 4);
  }

private:
  bool m_saved[3] = {};
};

inline RValue R(double v) { return RValue::Real(v); }
inline RValue S(std::string_view s) { return RValue::Str(RString(s)); }
