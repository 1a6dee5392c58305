#include "functions/Function_Registry.h"

#include <cstring>

#include "code/Code_Error.h"
#include "code/Function_Args.h"
#include "base/Support_Registry.h"
#include "base/Option_Main.h"
#include "base/Support_Path.h"

using fnarg::Int;
using fnarg::Num;
using fnarg::Text;

namespace {

RegRoot g_Root = RegRoot::kCurrentUser;

void WriteString(RegRoot root, std::string_view key, std::string_view name, std::string_view text) {
  RRegValue v;
  v.kind = RRegValue::kString;
  v.text.assign(text);
  RegistryWrite(root, key, name, v);
}

// A real is stored as the 8 bytes of the double, as games have always read it.
void WriteReal(RegRoot root, std::string_view key, std::string_view name, double x) {
  RRegValue v;
  v.kind = RRegValue::kBinary;
  v.bytes.resize(sizeof x);
  std::memcpy(v.bytes.data(), &x, sizeof x);
  RegistryWrite(root, key, name, v);
}

// A value of another kind reads as the default.
void ReadString(RegRoot root, std::string_view key, std::string_view name, RValue &result) {
  result.SetString("");
  RRegValue v;
  if (RegistryRead(root, key, name, v) && v.kind == RRegValue::kString) result.SetString(v.text);
}

void ReadReal(RegRoot root, std::string_view key, std::string_view name, RValue &result) {
  RRegValue v;
  double x = 0;
  if (RegistryRead(root, key, name, v) && v.kind == RRegValue::kBinary && v.bytes.size() == sizeof x)
    std::memcpy(&x, v.bytes.data(), sizeof x);
  result.SetReal(x);
}

void Exists(RegRoot root, std::string_view key, std::string_view name, RValue &result) {
  RegistryCreateKey(root, key);
  RRegValue v;
  result.SetReal(RegistryRead(root, key, name, v) ? 1 : 0);
}

bool RefusedInSecureMode(std::string_view key) {
  if (!SecureMode()) return false;
  ReportActionError("In Secure mode you cannot write registry entries in " + std::string(key), false);
  return true;
}

}  // namespace

std::string RegistryGameKey() { return "Software\\Quillon\\" + std::to_string(g_GameId); }

void Registry_Reset() { g_Root = RegRoot::kCurrentUser; }

void F_RegistryWriteString(CInstance *, CInstance *, int, RValue *args, RValue &) {
  WriteString(RegRoot::kCurrentUser, RegistryGameKey(), Text(args[0]), Text(args[1]));
}

void F_RegistryWriteReal(CInstance *, CInstance *, int, RValue *args, RValue &) {
  WriteReal(RegRoot::kCurrentUser, RegistryGameKey(), Text(args[0]), Num(args[1]));
}

void F_RegistryReadString(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  ReadString(RegRoot::kCurrentUser, RegistryGameKey(), Text(args[0]), result);
}

void F_RegistryReadReal(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  ReadReal(RegRoot::kCurrentUser, RegistryGameKey(), Text(args[0]), result);
}

void F_RegistryExists(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  Exists(RegRoot::kCurrentUser, RegistryGameKey(), Text(args[0]), result);
}

void F_RegistryWriteStringExt(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (!RefusedInSecureMode(Text(args[0]))) WriteString(g_Root, Text(args[0]), Text(args[1]), Text(args[2]));
}

void F_RegistryWriteRealExt(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (!RefusedInSecureMode(Text(args[0]))) WriteReal(g_Root, Text(args[0]), Text(args[1]), Num(args[2]));
}

void F_RegistryReadStringExt(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  ReadString(g_Root, Text(args[0]), Text(args[1]), result);
}

void F_RegistryReadRealExt(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  ReadReal(g_Root, Text(args[0]), Text(args[1]), result);
}

void F_RegistryExistsExt(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  Exists(g_Root, Text(args[0]), Text(args[1]), result);
}

void F_RegistrySetRoot(CInstance *, CInstance *, int, RValue *args, RValue &) {
  switch (Int(args[0])) {
    case 1: g_Root = RegRoot::kLocalMachine; break;
    case 2: g_Root = RegRoot::kClassesRoot; break;
    case 3: g_Root = RegRoot::kUsers; break;
    default: g_Root = RegRoot::kCurrentUser; break;
  }
}
