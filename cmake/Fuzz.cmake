# The fuzz build (QUILLON_FUZZ, clang only). Every target is compiled with
# libFuzzer's coverage instrumentation and with AddressSanitizer and
# UndefinedBehaviorSanitizer: the layer libraries under test must feed the
# fuzzer their edges and trap on a bad access or undefined behaviour, not
# only the small harness around them. libFuzzer's own main is linked into
# the fuzz binaries alone (tests/fuzz/CMakeLists.txt); every other program of
# this build, the corpus replay drivers included, links the sanitizers only.
# scripts/fuzz configures, builds and runs it.
if(NOT QUILLON_FUZZ)
  return()
endif()
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang" OR NOT CMAKE_C_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "QUILLON_FUZZ needs clang: configure with -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "
                      "(or use scripts/fuzz)")
endif()
# Undefined behaviour stops the input like a crash, so the fuzzer keeps it.
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                    -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)
# The project's warning set is written for GCC; clang skips what it lacks.
add_compile_options(-Wno-unknown-warning-option)
