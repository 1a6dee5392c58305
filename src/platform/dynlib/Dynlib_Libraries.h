// Native libraries through the system's dynamic loader, with calls built at
// run time by libffi. Every run uses it, with or without a display: games
// call their libraries the same way in both.
#pragma once

#include <string>

#include "platform/Platform_Main.h"

class CSystemLibraries : public IDynamicLibraries {
public:
  void *Open(const std::string &path, std::string &error) override;
  void *Symbol(void *library, const std::string &name) override;
  void Close(void *library) override;
  bool Call(void *function, const RArgument *args, int count, bool textResult, double &real,
            std::string &text) override;
};

// Whether the file starts like a shared library of this system (an ELF
// header). The loader is given nothing else: a file of any other kind gets a
// clear refusal instead of whatever the loader would make of it.
bool Dynlib_LooksLikeLibrary(const std::string &path, std::string &error);
