// CAction: one action of an event as the game file stores it: a call of a
// function, script or extension function with up to eight arguments, a piece
// of code, or a control-flow marker. Compile turns the texts into compiled
// code once at game preparation; afterwards only the constants and the
// compiled forms remain.
#pragma once

#include <array>
#include <cstddef>  // the value header uses offsetof without including it
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "code/Variable_Class.h"

class CCode;
class CStream;

class CAction {
public:
  static constexpr int32_t kVersion = 440;
  static constexpr int kMaxArguments = 8;

  // act_kind
  enum : int32_t {
    kNormal = 0, kBeginBlock = 1, kEndBlock = 2, kElse = 3, kExit = 4, kRepeat = 5, kVariable = 6, kCode = 7
  };
  // act_exetype
  enum : int32_t { kExeNothing = 0, kExeFunction = 1, kExeCode = 2 };

  int32_t act_libid = 0;
  int32_t act_id = 0;
  int32_t act_kind = kNormal;
  bool act_userelative = false;
  bool act_isquestion = false;
  bool act_useapplyto = false;
  int32_t act_exetype = kExeNothing;
  // The function name as stored; kept so that the record can be written
  // again and the id resolved anew.
  std::string act_funcname;
  int32_t act_functionid = -1;
  std::string act_codestring;
  std::unique_ptr<CCode> act_codecode;  // execution type 2, after Compile
  int32_t act_argumentcount = 0;
  std::array<int32_t, kMaxArguments> act_argtype{};
  int32_t act_who = -1;
  bool act_relative = false;
  std::array<std::string, kMaxArguments> act_argstring{};
  std::array<RValue, kMaxArguments> act_argvalue{};
  // After Compile an argument is either a constant (kind -1, its value in
  // act_argvalue) or an expression (kind 0, compiled here).
  // Each starts empty; no braces, so that this header needs no complete CCode.
  std::array<std::unique_ptr<CCode>, kMaxArguments> act_argcode;
  bool act_isnot = false;
  // Compile has run: the texts are gone, so compiling again keeps what it made.
  bool act_compiled = false;

  // Argument kinds after Compile.
  static constexpr int32_t kArgConstant = -1;
  static constexpr int32_t kArgExpression = 0;

  CAction();
  ~CAction();
  explicit CAction(int32_t kind);

  // Sets the kind and clears the arguments.
  void Create(int32_t kind);
  // A code action holding text: kind 7, execution type 2, text in argument 0.
  void CreateCode(std::string_view text);
  // Empties the argument texts, values and codes and forgets the function.
  void Clear();
  // Variable and code actions become code; the code of execution type 2 is
  // compiled as a program; every argument becomes a constant or a compiled
  // expression; the texts are emptied. A compile error is reported as a
  // fatal action error (the event context says where) and answers false.
  bool Compile();
  // Reads the action record. A record of another version leaves the action
  // as it was after Clear and answers false; nothing past the version is read.
  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;
};

// Turns a function name into a function id: 100000 + index for a script,
// 500000 + id for an extension function, the table index for a built-in
// function; -1 when nothing has that name. Tests may install their own.
using TActionFunctionFinder = int32_t (*)(std::string_view name);
void Action_SetFunctionFinder(TActionFunctionFinder finder);  // null: the default
int32_t Action_FindFunction(std::string_view name);

// Where the message about a function that cannot be found goes. The default
// prints it as a line on standard error, as the headless runner shows boxes.
using TActionMessage = void (*)(std::string_view text);
void Action_SetMessageHandler(TActionMessage handler);  // null: the default

inline constexpr char kMsgFailedToLocate[] = "Failed to locate action function ";
inline constexpr char kMsgCompileCodeAction[] = "COMPILATION ERROR in code action\r";
inline constexpr char kMsgCompileArgument[] = "COMPILATION ERROR in argument ";
