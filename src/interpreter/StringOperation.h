#pragma once

#include <string>

// Leading blanks, an optional sign and the digits after it; 0 when there are
// none. Values beyond the int range saturate.
int DecimalFromText(const std::string& text);

// The string command's text work, on Shift-JIS bytes.
// Removes every occurrence of s from text: a one-byte s only where it stands
// as a single-byte character; a longer s again and again from the start.
std::string DeleteOccurrences(std::string text, const std::string& s);
// Replaces every occurrence of s by r, the search going on after each r.
std::string ReplaceOccurrences(std::string text, const std::string& s, const std::string& r);
// Whether a file name may be written: not empty, no drive or parent part,
// not absolute.
bool IsWritableFileName(const std::string& name);
