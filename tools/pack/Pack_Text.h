// Small text helpers of the packer: the rich-text form of plain game
// information, resource-name checks and the default game identifier.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// True when the bytes already are a rich-text document ("{\rtf" after
// optional leading white space and a UTF-8 byte order mark).
bool IsRichText(const std::string &text);

// Wraps plain UTF-8 text into a minimal RTF document: \, { and } are
// escaped, every line break (LF, CRLF or CR) becomes a paragraph, and
// characters outside ASCII become \uN? escapes so that no code page is
// needed to read them back.
std::string PlainTextToRtf(const std::string &text);

// A resource name games can refer to: a letter or '_' first, then letters,
// digits or '_' (ASCII).
bool IsValidResourceName(const std::string &name);

// The identifier a game gets when its manifest names none: a fixed function
// of the game id, so that repacking a project keeps the identifier.
std::array<uint8_t, 16> DefaultIdentifier(int32_t gameId);

// Parses 32 hexadecimal digits; false for anything else.
bool ParseIdentifier(const std::string &text, std::array<uint8_t, 16> &out);
