# How the runner that games ship with is built.
#
# It carries no debug data. In Release and RelWithDebInfo builds the link of
# `quillon` is followed by moving its debug data and symbol table into
# `quillon.debug` beside it, stripping the runner and leaving a link to that
# file in it: gdb and addr2line, given the runner, find the file through the
# link and still name the function and line of a crash. A packed game copies
# only the stripped program image, so its code lies at the same addresses.
#
# Release builds keep line tables (-g1): they cost little to compile, the
# runner sheds them anyway, and the debug file then places a crash at its
# source line rather than only in its function.

add_compile_options($<$<CONFIG:Release>:-g1>)

# GCC 12 at -O3 warns that the copies inlined from std::string's operator+
# and assignment of a literal may overlap, a false alarm of that version
# (they cannot); it would stop a build with warnings as errors.
add_compile_options(
  "$<$<AND:$<CONFIG:Release>,$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict>")

function(quillon_split_debug target)
  if(NOT CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo)$")
    return()
  endif()
  if(NOT CMAKE_OBJCOPY OR NOT CMAKE_STRIP)
    message(WARNING "objcopy or strip not found: ${target} keeps its debug data")
    return()
  endif()
  # The runner is written to the top of the build directory.
  set(exe ${CMAKE_CURRENT_BINARY_DIR}/${target})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${exe} ${exe}.debug
    COMMAND ${CMAKE_STRIP} --strip-all ${exe}
    COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=${exe}.debug ${exe}
    BYPRODUCTS ${exe}.debug
    COMMENT "Moving the debug data of ${target} into ${target}.debug"
    VERBATIM)
endfunction()

# The runner's target is made further down; the step is attached once the
# whole directory has been read.
cmake_language(DEFER CALL quillon_split_debug quillon)
