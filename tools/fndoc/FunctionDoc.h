// The function reference, docs/functions.md, made from the function
// catalogue: every built-in function by family with its arguments and what
// it does.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// The command that writes docs/functions.md again.
inline constexpr const char *kFunctionDocCommand = "cmake --build build --target functions-doc";

// The reference as text. A family counts as available when `registered`
// answers true for every one of its functions; the others are listed and
// marked as not available yet.
std::string FunctionDoc_Markdown(const std::function<bool(std::string_view)> &registered);

// Whether the function table holds a built-in function of that name.
bool FunctionDoc_Registered(std::string_view name);

// Registers every family as the runner does and makes the reference from
// what the function table then holds.
std::string FunctionDoc_FromRegistration();
