// Text primitives on GBK byte strings: 1-based positions, -1 for "not found",
// double-byte characters stepped over as one unit. text/ is the ground floor: every other room
// uses it, and it uses only the standard library (the platform or iconv only for conversion).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Stands for one double quote in the markers given to textBetween and in patterns.
inline constexpr const char QUOTE_MARKER[] = "#引号";

// True when the byte starts a GBK double-byte character.
inline bool isLeadByte(unsigned char c) {
    return c >= 0x80;
}

// First occurrence of `what` at or after `start` (0 and 1 both mean the first byte), or -1.
int findText(std::string_view text, std::string_view what, int start = 1, bool ignoreCase = false);
// Last occurrence of `what`, scanning in GBK steps from the beginning, or -1.
int findTextLast(std::string_view text, std::string_view what);

// Clamped cuts: N <= 0 gives "", N beyond the length gives the whole text.
std::string leftBytes(std::string_view text, int n);
std::string rightBytes(std::string_view text, int n);
// The piece from 1-based position `pos` with length `len`; "" when pos is outside or len <= 0.
std::string midBytes(std::string_view text, int pos, int len);

// Spaces are 0x20 and the full-width space 0xA1 0xA1; tabs and line breaks are not.
std::string trimSpaces(std::string_view text);
std::string removeSpaces(std::string_view text);

// Every occurrence of `from` replaced by `to`, left to right, case-sensitive.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);

// Text between the first `left` at or after `start` and the first `right` after it, or "".
// QUOTE_MARKER in either marker stands for a double quote.
std::string textBetween(std::string_view text, std::string_view left, std::string_view right, int start = 0,
                        bool caseSensitive = false);

// Trimmed text after the first ":", or "".
std::string valueAfterColon(std::string_view text);

// Splits at `separator`: empty pieces kept at the start and between two separators, none for a
// separator at the very end, no pieces for an empty text. Never matches from a trail byte.
std::vector<std::string> splitText(std::string_view text, std::string_view separator);

// ASCII letters lower-cased; double-byte characters left alone.
std::string asciiLower(std::string_view text);

// The UTF-8 bytes of one code point (up to U+10FFFF; the caller keeps surrogates out).
std::string utf8Of(uint32_t codePoint);

// Percent-encoding of bytes as written into an address: ASCII letters, digits and the
// characters in `keep` stay, every other byte becomes "%XX" (upper-case hex). Callers convert
// the text to the encoding the address wants (UTF-8 for the engines) first.
std::string percentEncode(std::string_view bytes, std::string_view keep);

// Base64url (or plain Base64), padding or none, decoded; "" when it holds other characters.
std::string base64UrlDecode(std::string_view text);

// The value of attribute `name` (ASCII, any case) in the attribute text of a markup tag,
// quoted or bare, references not decoded; "" when absent. With `upToTagEnd` the text may run on
// past the tag: reading stops at the first '>' outside quotes.
std::string attributeValue(std::string_view attributes, std::string_view name, bool upToTagEnd = false);
