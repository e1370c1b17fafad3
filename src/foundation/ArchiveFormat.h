#pragma once

#include <cstdint>

// The packed-archive file format: numbers fixed by the format, shared by the
// reader and by anything that writes archives for it.
//
// Every byte of an archive, header included, is stored XORed with a 12-byte
// key: the byte at file offset p with key[p mod 12]. All numbers are
// little-endian.

constexpr uint16_t kArchiveMagic = 0x5844;  // bytes 0x44 0x58 in file order
constexpr uint16_t kArchiveMaxVersion = 3;
constexpr uint32_t kArchiveHeaderSize = 24;
constexpr uint32_t kArchiveFileEntrySizeOld = 40;  // versions 0 and 1
constexpr uint32_t kArchiveFileEntrySize = 44;     // version 2 on: adds the packed size
constexpr uint32_t kArchiveFirstPackingVersion = 2;
constexpr uint32_t kArchiveDirEntrySize = 16;
constexpr uint32_t kArchiveNoParent = 0xFFFFFFFFu;
constexpr uint32_t kArchiveStoredMarker = 0xFFFFFFFFu;  // packed size of a stored entry
constexpr uint32_t kArchiveFolderAttribute = 0x10;
constexpr uint32_t kArchivePackedHeadSize = 9;  // unpacked size, packed size, escape byte

constexpr int kArchiveKeySize = 12;
// The key without a key string: this byte twelve times, then transformed.
constexpr uint8_t kArchiveDefaultKeyFill = 0xA7;
// The second built-in key, tried when the first gives a wrong magic: this
// byte twelve times, used as it is.
constexpr uint8_t kArchiveFallbackKeyFill = 0x3C;
// The byte constants of the key transformation, for key bytes 2, 5, 9, 10, 11.
constexpr uint8_t kArchiveKeyXor2 = 0x5B;
constexpr uint8_t kArchiveKeyXor5 = 0xC6;
constexpr uint8_t kArchiveKeyXor9 = 0x2E;
constexpr uint8_t kArchiveKeyXor10 = 0x91;
constexpr uint8_t kArchiveKeyXor11 = 0x7D;

// Back-references of the packing scheme.
constexpr uint32_t kArchiveMinMatch = 4;
constexpr uint32_t kArchiveMaxMatch = 4 + 8191;
constexpr uint32_t kArchiveMaxDistance = 1u << 24;
