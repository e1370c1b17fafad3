#pragma once

#include <cstddef>
#include <string>

// 0 when byte i of the text is a single-byte character, 1 a lead byte, 2 a
// trail byte of a double-byte character, found by walking the text from its
// start; 0 past the end.
int ShiftJisByteKind(const std::string& text, size_t i);

// Turns the control codes without arguments that stand for escapes back into
// their escape texts (0x01 0x01 becomes two backslashes); file names and
// file contents go through it.
std::string EscapesFromControlCodes(std::string text);
