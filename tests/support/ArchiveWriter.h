#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Writes packed archives (.vorn and the like) for tests and fixture game
// folders, straight from the file format: versions 0 to 3, stored and packed
// entries, any key.
//
//   ArchiveWriter writer;
//   writer.SetKeyString("secret");
//   writer.AddFile("BasicData\\Game.dat", bytes);
//   writer.Write(folder / "Data.vorn");
//
// Paths inside the archive are CP932 with backslashes; folders on the way are
// made as needed. Names keep their case; lookups ignore it.
class ArchiveWriter {
 public:
  enum class Packing { Default, Stored, Packed };

  void SetVersion(int version) { version_ = version; }  // 0..3; 0 and 1 never pack
  // The key from a key string, as the game gives it (a long one is cut to 12).
  void SetKeyString(const std::string& keyString);
  // The key used without a key string.
  void UseDefaultKey();
  // The second built-in key, which the reader tries when the first fails.
  void UseFallbackKey();
  // Versions 2 and 3: whether files are packed unless AddFile says otherwise.
  void SetPacking(bool pack) { packByDefault_ = pack; }
  // The escape byte of packed entries (-1: the least frequent byte).
  void SetEscapeByte(int escape) { escape_ = escape; }

  void AddFile(const std::string& path, const std::string& bytes, Packing packing = Packing::Default);
  void AddDirectory(const std::string& path);
  // Adds every file and folder below `folder` on disk under `prefix`
  // (UTF-8 names become CP932).
  void AddTree(const std::filesystem::path& folder, const std::string& prefix = "");

  // The archive image, enciphered.
  std::string Build() const;
  bool Write(const std::filesystem::path& to) const;

  const std::array<uint8_t, 12>& Key() const { return key_; }
  // XORs an image with the key (enciphers plain bytes, deciphers an image).
  std::string Xor(const std::string& image) const;

  // The packing scheme on its own: head (unpacked size, packed size, escape)
  // and codes. Escape -1 picks the least frequent byte.
  static std::string Pack(const std::string& data, int escape = -1);

 private:
  struct Node {
    std::string name;
    bool folder = false;
    std::string bytes;
    Packing packing = Packing::Default;
    std::vector<Node> children;
  };
  Node* FolderFor(const std::vector<std::string>& components, size_t count);

  int version_ = 3;
  bool packByDefault_ = true;
  int escape_ = -1;
  std::array<uint8_t, 12> key_{};
  Node root_{"", true, {}, Packing::Default, {}};
  bool keySet_ = false;
};
