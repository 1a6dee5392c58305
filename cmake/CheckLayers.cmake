# Fails when a file under ROOT/src includes a header of a layer above its own,
# or when a file outside src/platform includes a system library that only the
# platform may use. Run as: cmake -DROOT=<tree> [-DSTAMP=<file>] -P CheckLayers.cmake
cmake_minimum_required(VERSION 3.22)
if(NOT ROOT)
  message(FATAL_ERROR "CheckLayers: ROOT is not set")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/Layers.cmake)

# The rank of each source folder: its layer's place from the bottom.
set(rank 0)
foreach(layer ${QUILLON_LAYERS})
  foreach(folder ${QUILLON_LAYER_${layer}})
    set(RANK_${folder} ${rank})
    set(LAYER_${folder} ${layer})
  endforeach()
  math(EXPR rank "${rank} + 1")
endforeach()

# Headers of the libraries behind the platform seam, and the POSIX services
# that only the base layer (files, paths) and the platform may call.
set(platform_only_regex
    "^(SDL2?/|SDL[_a-z]*\\.h|epoxy/|GL/|GLES|EGL/|ft2build\\.h|freetype/|fontconfig/|AL/|sndfile|fluidsynth|enet/|dlfcn\\.h|ffi\\.h|imgui|backends/imgui)")
set(posix_regex "^(unistd\\.h|fcntl\\.h|dirent\\.h|spawn\\.h|sys/[a-z_]+\\.h|pthread\\.h|signal\\.h|poll\\.h|termios\\.h)")

set(problems "")
file(GLOB_RECURSE sources RELATIVE ${ROOT} ${ROOT}/src/*.h ${ROOT}/src/*.cpp ${ROOT}/tools/*.h ${ROOT}/tools/*.cpp)
foreach(rel ${sources})
  string(REGEX MATCH "^src/([a-z]+)/" _ ${rel})
  set(folder "${CMAKE_MATCH_1}")
  file(STRINGS ${ROOT}/${rel} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line ${includes})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*$" "\\1" header "${line}")
    if(header MATCHES "${platform_only_regex}" AND NOT folder STREQUAL "platform")
      list(APPEND problems "${rel}: includes <${header}>, which only src/platform/ may include")
    endif()
    if(header MATCHES "${posix_regex}" AND NOT folder STREQUAL "platform" AND NOT folder STREQUAL "base"
       AND NOT rel MATCHES "^tools/")
      list(APPEND problems "${rel}: includes <${header}>; files and paths go through src/base/, other system services through src/platform/")
    endif()
    if(folder AND DEFINED RANK_${folder} AND line MATCHES "\"")
      string(REGEX MATCH "^([a-z]+)/" _ "${header}")
      set(target "${CMAKE_MATCH_1}")
      if(target AND DEFINED RANK_${target} AND RANK_${target} GREATER RANK_${folder})
        list(APPEND problems
             "${rel}: includes \"${header}\": layer ${LAYER_${folder}} may not include layer ${LAYER_${target}}, which stands above it")
      endif()
    endif()
  endforeach()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "Includes against the layers (see docs/architecture.md):\n  ${text}")
endif()
if(STAMP)
  file(WRITE ${STAMP} "layers checked\n")
endif()
