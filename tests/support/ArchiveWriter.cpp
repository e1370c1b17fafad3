#include "support/ArchiveWriter.h"

#include <algorithm>
#include <fstream>

#include "foundation/ArchiveFormat.h"
#include "platform/text/Text.h"

namespace {

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string current;
  for (size_t i = 0; i < path.size(); ++i) {
    auto c = static_cast<unsigned char>(path[i]);
    if (IsLead(c) && i + 1 < path.size()) {
      current += path[i];
      current += path[++i];
      continue;
    }
    if (c == '\\' || c == '/') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
      continue;
    }
    current += path[i];
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

std::string Upper(const std::string& name) {
  std::string out = name;
  for (size_t i = 0; i < out.size(); ++i) {
    auto c = static_cast<unsigned char>(out[i]);
    if (IsLead(c)) {
      ++i;
    } else if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Put64(std::string& out, uint64_t v) {
  Put32(out, static_cast<uint32_t>(v));
  Put32(out, static_cast<uint32_t>(v >> 32));
}
void Set32(std::string& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint8_t Nibbles(uint8_t b) { return static_cast<uint8_t>((b << 4) | (b >> 4)); }

// 2001-01-01 as a file time, for every entry.
constexpr uint64_t kEntryTime = 126227808000000000ULL;

}  // namespace

void ArchiveWriter::SetKeyString(const std::string& keyString) {
  std::array<uint8_t, 12> raw{};
  if (keyString.empty()) {
    raw.fill(kArchiveDefaultKeyFill);
  } else {
    for (size_t i = 0; i < 12; ++i) raw[i] = static_cast<uint8_t>(keyString[i % keyString.size()]);
  }
  // The per-position transformation of the key bytes.
  key_[0] = static_cast<uint8_t>(~raw[0]);
  key_[1] = Nibbles(raw[1]);
  key_[2] = raw[2] ^ kArchiveKeyXor2;
  key_[3] = static_cast<uint8_t>(~Nibbles(raw[3]));
  key_[4] = static_cast<uint8_t>(~raw[4]);
  key_[5] = raw[5] ^ kArchiveKeyXor5;
  key_[6] = static_cast<uint8_t>(~raw[6]);
  key_[7] = static_cast<uint8_t>(~static_cast<uint8_t>((raw[7] >> 3) | (raw[7] << 5)));
  key_[8] = static_cast<uint8_t>((raw[8] << 3) | (raw[8] >> 5));
  key_[9] = raw[9] ^ kArchiveKeyXor9;
  key_[10] = Nibbles(raw[10]) ^ kArchiveKeyXor10;
  key_[11] = raw[11] ^ kArchiveKeyXor11;
  keySet_ = true;
}

void ArchiveWriter::UseDefaultKey() { SetKeyString(""); }

void ArchiveWriter::UseFallbackKey() {
  key_.fill(kArchiveFallbackKeyFill);
  keySet_ = true;
}

ArchiveWriter::Node* ArchiveWriter::FolderFor(const std::vector<std::string>& components, size_t count) {
  Node* folder = &root_;
  for (size_t i = 0; i < count; ++i) {
    auto it = std::find_if(folder->children.begin(), folder->children.end(),
                           [&](const Node& n) { return n.folder && Upper(n.name) == Upper(components[i]); });
    if (it == folder->children.end()) {
      folder->children.push_back(Node{components[i], true, {}, Packing::Default, {}});
      it = folder->children.end() - 1;
    }
    folder = &*it;
  }
  return folder;
}

void ArchiveWriter::AddFile(const std::string& path, const std::string& bytes, Packing packing) {
  auto parts = SplitPath(path);
  if (parts.empty()) return;
  Node* folder = FolderFor(parts, parts.size() - 1);
  for (auto& child : folder->children) {
    if (!child.folder && Upper(child.name) == Upper(parts.back())) {
      child.bytes = bytes;
      child.packing = packing;
      return;
    }
  }
  folder->children.push_back(Node{parts.back(), false, bytes, packing, {}});
}

void ArchiveWriter::AddDirectory(const std::string& path) {
  auto parts = SplitPath(path);
  FolderFor(parts, parts.size());
}

void ArchiveWriter::AddTree(const std::filesystem::path& folder, const std::string& prefix) {
  namespace fs = std::filesystem;
  std::vector<fs::path> entries;
  for (const auto& entry : fs::directory_iterator(folder)) entries.push_back(entry.path());
  std::sort(entries.begin(), entries.end());
  for (const auto& entry : entries) {
    std::string name = platform::Utf8ToCp932(entry.filename().string());
    std::string inner = prefix.empty() ? name : prefix + "\\" + name;
    if (fs::is_directory(entry)) {
      AddDirectory(inner);
      AddTree(entry, inner);
    } else {
      std::ifstream in(entry, std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      AddFile(inner, bytes);
    }
  }
}

std::string ArchiveWriter::Xor(const std::string& image) const {
  std::array<uint8_t, 12> key = key_;
  if (!keySet_) {
    ArchiveWriter defaults;
    defaults.UseDefaultKey();
    key = defaults.key_;
  }
  std::string out = image;
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(static_cast<uint8_t>(out[i]) ^ key[i % 12]);
  return out;
}

std::string ArchiveWriter::Build() const {
  bool packing = version_ >= static_cast<int>(kArchiveFirstPackingVersion);
  uint32_t entrySize = packing ? kArchiveFileEntrySize : kArchiveFileEntrySizeOld;

  // Folders in breadth-first order; each folder's entries lie together.
  struct FolderInfo {
    const Node* node;
    uint32_t parent;    // index, or none for the root
    uint32_t ownEntry;  // offset of its entry in the file table
    uint32_t firstEntry = 0;
  };
  std::vector<FolderInfo> folders{{&root_, kArchiveNoParent, kArchiveNoParent}};
  std::vector<const Node*> entries;  // file table order
  for (size_t f = 0; f < folders.size(); ++f) {
    folders[f].firstEntry = static_cast<uint32_t>(entries.size()) * entrySize;
    for (const auto& child : folders[f].node->children) {
      if (child.folder) {
        folders.push_back({&child, static_cast<uint32_t>(f), static_cast<uint32_t>(entries.size()) * entrySize});
      }
      entries.push_back(&child);
    }
  }

  // Data area right after the header.
  std::string data;
  std::vector<uint32_t> dataOffsets(entries.size()), packedSizes(entries.size(), kArchiveStoredMarker);
  for (size_t i = 0; i < entries.size(); ++i) {
    const Node* node = entries[i];
    if (node->folder) continue;
    dataOffsets[i] = static_cast<uint32_t>(data.size());
    bool pack = packing && (node->packing == Packing::Packed || (node->packing == Packing::Default && packByDefault_));
    if (pack) {
      std::string packed = Pack(node->bytes, escape_);
      packedSizes[i] = static_cast<uint32_t>(packed.size());
      data += packed;
    } else {
      data += node->bytes;
    }
  }

  // Directory block: names, then the file table, then the folder table.
  std::string names;
  std::vector<uint32_t> nameOffsets(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    nameOffsets[i] = static_cast<uint32_t>(names.size());
    std::string upper = Upper(entries[i]->name);
    uint32_t words = static_cast<uint32_t>(upper.size() / 4 + 1);
    uint32_t sum = 0;
    for (unsigned char c : upper) sum += c;
    Put16(names, words);
    Put16(names, sum & 0xFFFF);
    std::string padded = upper;
    padded.resize(words * 4, '\0');
    names += padded;
    names += entries[i]->name;
    names += '\0';
    while (names.size() % 4 != 0) names += '\0';
  }
  std::string fileTable;
  for (size_t i = 0; i < entries.size(); ++i) {
    const Node* node = entries[i];
    uint32_t dataField = dataOffsets[i];
    if (node->folder) {
      for (size_t f = 0; f < folders.size(); ++f) {
        if (folders[f].node == node) dataField = static_cast<uint32_t>(f) * kArchiveDirEntrySize;
      }
    }
    Put32(fileTable, nameOffsets[i]);
    Put32(fileTable, node->folder ? kArchiveFolderAttribute : 0x20);
    Put64(fileTable, kEntryTime);
    Put64(fileTable, kEntryTime);
    Put64(fileTable, kEntryTime);
    Put32(fileTable, dataField);
    Put32(fileTable, node->folder ? 0 : static_cast<uint32_t>(node->bytes.size()));
    if (packing) Put32(fileTable, packedSizes[i]);
  }
  std::string dirTable;
  for (const auto& folder : folders) {
    Put32(dirTable, folder.ownEntry);
    Put32(dirTable, folder.parent == kArchiveNoParent ? kArchiveNoParent : folder.parent * kArchiveDirEntrySize);
    Put32(dirTable, static_cast<uint32_t>(folder.node->children.size()));
    Put32(dirTable, folder.firstEntry);
  }
  std::string block = names + fileTable + dirTable;

  std::string image;
  Put16(image, kArchiveMagic);
  Put16(image, static_cast<uint32_t>(version_));
  Put32(image, static_cast<uint32_t>(block.size()));
  Put32(image, kArchiveHeaderSize);
  Put32(image, static_cast<uint32_t>(kArchiveHeaderSize + data.size()));
  Put32(image, static_cast<uint32_t>(names.size()));
  Put32(image, static_cast<uint32_t>(names.size() + fileTable.size()));
  image += data;
  image += block;
  return Xor(image);
}

bool ArchiveWriter::Write(const std::filesystem::path& to) const {
  std::string image = Build();
  std::error_code error;
  if (to.has_parent_path()) std::filesystem::create_directories(to.parent_path(), error);
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  out.write(image.data(), static_cast<std::streamsize>(image.size()));
  return static_cast<bool>(out);
}

std::string ArchiveWriter::Pack(const std::string& data, int escape) {
  size_t n = data.size();
  uint8_t e;
  if (escape >= 0) {
    e = static_cast<uint8_t>(escape);
  } else {
    std::array<size_t, 256> counts{};
    for (unsigned char c : data) ++counts[c];
    e = static_cast<uint8_t>(std::min_element(counts.begin(), counts.end()) - counts.begin());
  }
  std::string out(kArchivePackedHeadSize, '\0');
  constexpr size_t kHashSize = 1 << 16;
  constexpr int kChainLimit = 256;
  std::vector<int64_t> head(kHashSize, -1), previous(n, -1);
  auto hashAt = [&](size_t i) {
    uint32_t v = static_cast<uint8_t>(data[i]) | (static_cast<uint8_t>(data[i + 1]) << 8) |
                 (static_cast<uint8_t>(data[i + 2]) << 16) |
                 (static_cast<uint32_t>(static_cast<uint8_t>(data[i + 3])) << 24);
    return (v * 2654435761u) >> 16;
  };
  auto insert = [&](size_t i) {
    if (i + 4 > n) return;
    uint32_t h = hashAt(i);
    previous[i] = head[h];
    head[h] = static_cast<int64_t>(i);
  };
  size_t i = 0;
  while (i < n) {
    size_t bestLength = 0, bestDistance = 0;
    if (i + kArchiveMinMatch <= n) {
      int steps = 0;
      for (int64_t candidate = head[hashAt(i)]; candidate >= 0 && steps < kChainLimit;
           candidate = previous[static_cast<size_t>(candidate)], ++steps) {
        size_t distance = i - static_cast<size_t>(candidate);
        if (distance > kArchiveMaxDistance) break;
        size_t limit = std::min<size_t>(kArchiveMaxMatch, n - i);
        size_t length = 0;
        while (length < limit && data[static_cast<size_t>(candidate) + length] == data[i + length]) ++length;
        if (length > bestLength) {
          bestLength = length;
          bestDistance = distance;
          if (length == limit) break;
        }
      }
    }
    if (bestLength >= kArchiveMinMatch) {
      uint32_t extra = static_cast<uint32_t>(bestLength - kArchiveMinMatch);
      uint32_t width = bestDistance - 1 < 0x100 ? 0 : bestDistance - 1 < 0x10000 ? 1 : 2;
      size_t cost = 2 + (extra >> 5 ? 1 : 0) + width + 1;
      if (cost < bestLength) {
        uint32_t d = ((extra & 31) << 3) | (extra >> 5 ? 4u : 0u) | width;
        uint32_t code = d >= e ? d + 1 : d;
        out += static_cast<char>(e);
        out += static_cast<char>(code);
        if (extra >> 5) out += static_cast<char>(extra >> 5);
        uint32_t value = static_cast<uint32_t>(bestDistance - 1);
        for (uint32_t b = 0; b <= width; ++b) out += static_cast<char>((value >> (8 * b)) & 0xFF);
        for (size_t k = 0; k < bestLength; ++k) insert(i + k);
        i += bestLength;
        continue;
      }
    }
    auto c = static_cast<uint8_t>(data[i]);
    out += static_cast<char>(c);
    if (c == e) out += static_cast<char>(e);
    insert(i);
    ++i;
  }
  Set32(out, 0, static_cast<uint32_t>(n));
  Set32(out, 4, static_cast<uint32_t>(out.size()));
  out[8] = static_cast<char>(e);
  return out;
}
