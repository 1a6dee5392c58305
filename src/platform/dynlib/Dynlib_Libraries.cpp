#include "platform/dynlib/Dynlib_Libraries.h"

#include <dlfcn.h>
#include <ffi.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {
// More than any caller passes; a call beyond it is refused, not built.
constexpr int kMaxArguments = 32;
}  // namespace

bool Dynlib_LooksLikeLibrary(const std::string &path, std::string &error) {
  // A path without a directory is the loader's own search (system
  // libraries); there is no file of ours to look at.
  if (path.find('/') == std::string::npos) return true;
  std::FILE *f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  unsigned char head[4] = {0, 0, 0, 0};
  const size_t n = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  if (n != sizeof head || head[0] != 0x7f || head[1] != 'E' || head[2] != 'L' || head[3] != 'F') {
    error = path + ": not a shared library";
    return false;
  }
  return true;
}

void *CSystemLibraries::Open(const std::string &path, std::string &error) {
  if (!Dynlib_LooksLikeLibrary(path, error)) return nullptr;
  dlerror();
  void *h = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (h == nullptr) {
    const char *e = ::dlerror();
    error = e ? e : "cannot load " + path;
  }
  return h;
}

void *CSystemLibraries::Symbol(void *library, const std::string &name) {
  if (library == nullptr || name.empty()) return nullptr;
  return ::dlsym(library, name.c_str());
}

void CSystemLibraries::Close(void *library) {
  if (library) ::dlclose(library);
}

bool CSystemLibraries::Call(void *function, const RArgument *args, int count, bool textResult, double &real,
                            std::string &text) {
  real = 0.0;
  text.clear();
  if (function == nullptr || count < 0 || count > kMaxArguments) return false;
  std::array<ffi_type *, kMaxArguments> types{};
  std::array<void *, kMaxArguments> values{};
  for (int i = 0; i < count; ++i) {
    const RArgument &a = args[i];
    if (a.isText) {
      types[static_cast<size_t>(i)] = &ffi_type_pointer;
      // libffi reads the argument from where the pointer is stored.
      values[static_cast<size_t>(i)] = const_cast<const char **>(&a.text);
    } else {
      types[static_cast<size_t>(i)] = &ffi_type_double;
      values[static_cast<size_t>(i)] = const_cast<double *>(&a.real);
    }
  }
  ffi_cif cif;
  if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, static_cast<unsigned>(count), textResult ? &ffi_type_pointer : &ffi_type_double,
                   types.data()) != FFI_OK)
    return false;
  if (textResult) {
    // Room for a full return register, as libffi asks of its callers.
    ffi_arg slot = 0;
    ffi_call(&cif, reinterpret_cast<void (*)()>(function), &slot, values.data());
    const char *p = reinterpret_cast<const char *>(static_cast<uintptr_t>(slot));
    if (p != nullptr) text = p;
  } else {
    double d = 0.0;
    ffi_call(&cif, reinterpret_cast<void (*)()>(function), &d, values.data());
    real = d;
  }
  return true;
}
