#pragma once

#include <string>

// Replaces the value escapes of a text by the values of the running event's
// context; with valuesOnly 0 it also turns display escapes into control codes.
// With wrap the text is first put between prefix and suffix; with leadingLine
// a first line of an at sign and a number is taken off and the number stored
// in system variable 0.
std::string ExpandMessageEscapes(const std::string& source, int mapEventId, int commonId, int mapId, int valuesOnly,
                                 int wrap, const std::string& prefix, const std::string& suffix, int leadingLine);
