#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads a PNG file as 0xRRGGBB pixels, rows top-down; empty when it does not
// decode.
std::vector<uint32_t> ReadPngFile(const std::string& path, int* width, int* height);
