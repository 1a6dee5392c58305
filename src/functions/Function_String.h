// The string functions of the math family. Texts are UTF-8; the functions
// that take or give positions count them on the UTF-16 form of the text (a
// character outside the Basic Multilingual Plane takes two positions), as
// games written for the runner expect; string_insert and the byte functions
// work on the UTF-8 bytes; string_length counts characters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Registers chr .. string_count (called by Function_Math_Init).
void Function_String_Register();

// chr maps a byte to a character through the code page of the current
// drawing font; the fonts install the mapping of theirs. Without one the
// Western (Windows-1252) code page applies.
using TCharMapper = uint32_t (*)(unsigned char byte);
void SetChrMapper(TCharMapper mapper);  // null: Windows-1252
uint32_t Cp1252ToUnicode(unsigned char byte);

// The UTF-16 form of a UTF-8 text and back. Bytes that are no part of a
// valid UTF-8 sequence (a text made by ansi_char, say) survive the round
// trip: each stands for the code unit 0xDC00 + byte on the way in and
// becomes that byte again on the way out. Any other unpaired surrogate
// becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
// Characters (UTF-8 sequences, a stray byte counting as one) and UTF-16
// code units of a text.
size_t Utf8CharCount(std::string_view text);
size_t Utf16Length(std::string_view text);
