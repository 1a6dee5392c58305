# The function catalogue (src/functions/Function_Catalog.tsv) goes into the
# runner as text: one raw string literal per line, so that no line needs
# escaping and no literal grows past what a pedantic compiler accepts.
# Editing the catalogue makes the next build configure again.
set(QUILLON_CATALOG ${PROJECT_SOURCE_DIR}/src/functions/Function_Catalog.tsv)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QUILLON_CATALOG})
file(READ ${QUILLON_CATALOG} catalog_text)
string(FIND "${catalog_text}" ")fncat\"" catalog_clash)
if(NOT catalog_clash EQUAL -1)
  message(FATAL_ERROR "Function_Catalog.tsv may not contain )fncat\"")
endif()
string(REPLACE "\n" ")fncat\",\n    R\"fncat(" catalog_lines "${catalog_text}")
set(catalog_source ${CMAKE_BINARY_DIR}/generated/Function_Catalog_Lines.cpp)
file(CONFIGURE OUTPUT ${catalog_source} @ONLY CONTENT "// Made by the build from src/functions/Function_Catalog.tsv; do not edit.
#include <cstdint>

extern const char *const kFunctionCatalogLines[] = {
    R\"fncat(@catalog_lines@)fncat\"};
extern const int32_t kFunctionCatalogLineCount =
    static_cast<int32_t>(sizeof kFunctionCatalogLines / sizeof kFunctionCatalogLines[0]);
")
target_sources(quillon_functions PRIVATE ${catalog_source})
