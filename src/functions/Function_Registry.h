// The registry functions of the file family: values in the game's own key
// ("Software\Quillon\" + the game id, under the current user) and, for the
// _ext functions, in any key under a chosen root.
#pragma once

#include <string>

class CInstance;
struct RValue;

// "Software\Quillon\" followed by the game id.
std::string RegistryGameKey();
// The root of the _ext functions back to the current user.
void Registry_Reset();

void F_RegistryWriteString(CInstance *, CInstance *, int, RValue *, RValue &);
void F_RegistryWriteReal(CInstance *, CInstance *, int, RValue *, RValue &);
void F_RegistryReadString(CInstance *, CInstance *, int, RValue *, RValue &);
void F_RegistryReadReal(CInstance *, CInstance *, int, RValue *, RValue &);
void F_RegistryExists(CInstance *, CInstance *, int, RValue *, RValue &);
void F_RegistryWriteStringExt(CInstance *, CInstance *, int, RValue *, RValue &);
void F_RegistryWriteRealExt(CInstance *, CInstance *, int, RValue *, RValue &);
void F_RegistryReadStringExt(CInstance *, CInstance *, int, RValue *, RValue &);
void F_RegistryReadRealExt(CInstance *, CInstance *, int, RValue *, RValue &);
void F_RegistryExistsExt(CInstance *, CInstance *, int, RValue *, RValue &);
void F_RegistrySetRoot(CInstance *, CInstance *, int, RValue *, RValue &);
