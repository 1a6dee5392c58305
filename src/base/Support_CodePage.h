// Text as the bytes of a Windows code page: fonts hold their characters by
// the codes of one code page, and script texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The bytes of the text in the code page (1250 ... 1258, 874, or the
// double-byte pages 932, 936, 949, 950, 1361). A character the page lacks,
// or a byte that is not UTF-8, becomes "?", as the desktop's conversion
// does. An unknown page converts as 1252.
std::string CodePage_FromUtf8(std::string_view text, int32_t codePage);
// The Unicode character of a Windows-1252 code; 0 for the five codes that
// have none.
uint32_t CodePage_1252ToUnicode(uint8_t code);
