#include "platform/files/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/text/Text.h"

namespace platform {

namespace {

// ---- path parsing ----------------------------------------------------------

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Length of the CP932 character at text[i]: 2 for a lead byte followed by a
// byte that can trail it, else 1.
size_t CharLength(std::string_view text, size_t i) {
  auto lead = static_cast<unsigned char>(text[i]);
  if (!IsCp932Lead(lead) || i + 1 >= text.size()) return 1;
  auto trail = static_cast<unsigned char>(text[i + 1]);
  return (trail >= 0x40 && trail <= 0xFC && trail != 0x7F) ? 2 : 1;
}

struct ParsedPath {
  bool absolute = false;
  std::vector<std::string> components;  // CP932, no empty ones
};

ParsedPath ParsePath(std::string_view path) {
  ParsedPath parsed;
  size_t i = 0;
  // NOLINTNEXTLINE(bugprone-branch-clone): each prefix form is its own case
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    parsed.absolute = true;  // "\\host\share": the host is the first component
    i = 2;
  } else if (path.size() >= 2 && path[1] == ':' &&
             ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
    parsed.absolute = true;  // every drive is the Linux root
    i = 2;
  } else if (!path.empty() && IsSeparator(path[0])) {
    parsed.absolute = true;
  }
  std::string current;
  while (i < path.size()) {
    size_t n = CharLength(path, i);
    if (n == 1 && IsSeparator(path[i])) {
      if (!current.empty()) parsed.components.push_back(std::move(current));
      current.clear();
    } else {
      current.append(path.substr(i, n));
    }
    i += n;
  }
  if (!current.empty()) parsed.components.push_back(std::move(current));
  return parsed;
}

// CP932 -> UTF-8; false when some byte did not convert (it became '?', a
// character no Windows file name holds).
bool Utf8Of(const std::string& cp932, std::string* utf8) {
  if (IsAscii(cp932)) {
    *utf8 = cp932;
    return true;
  }
  *utf8 = Cp932ToUtf8(cp932);
  return std::count(utf8->begin(), utf8->end(), '?') == std::count(cp932.begin(), cp932.end(), '?');
}

std::string JoinNative(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

std::string ParentNative(const std::string& dir) {
  if (dir == "/") return dir;
  size_t slash = dir.find_last_of('/');
  if (slash == std::string::npos) return dir;
  if (slash == 0) return "/";
  return dir.substr(0, slash);
}

std::string NativeCurrentDirectory() {
  std::error_code error;
  auto cwd = std::filesystem::current_path(error);
  if (error) return ".";
  return cwd.string();
}

// ---- listing cache ---------------------------------------------------------

// A folder's names with the folder's modification time when they were
// read. A lookup that misses reads the folder again unless its modification
// time is unchanged and was already well in the past when the names were read
// (file times are coarse, so a change within the same tick as the reading
// would otherwise go unseen).
struct Listing {
  std::vector<std::string> names;
  ino_t inode = 0;
  timespec modified{};
  int64_t readAt = 0;  // ns, real time
};
constexpr int64_t kListingSettleNs = 2500000000LL;  // beyond any file system's time step

std::mutex gListingMutex;
std::unordered_map<std::string, Listing> gListings;

int64_t Nanoseconds(const timespec& t) { return static_cast<int64_t>(t.tv_sec) * 1000000000LL + t.tv_nsec; }

int64_t RealTimeNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return Nanoseconds(now);
}

bool ReadListing(const std::string& dir, std::vector<std::string>* names) {
  DIR* handle = opendir(dir.c_str());
  if (!handle) return false;
  names->clear();
  while (dirent* entry = readdir(handle)) {  // NOLINT(concurrency-mt-unsafe): the handle is this call's own
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    names->emplace_back(entry->d_name);
  }
  closedir(handle);
  return true;
}

// Reads the folder into the cache (with gListingMutex held).
Listing* ListingLoad(const std::string& dir) {
  struct stat info {};
  int64_t readAt = RealTimeNow();
  bool haveInfo = stat(dir.c_str(), &info) == 0;
  std::vector<std::string> names;
  if (!ReadListing(dir, &names)) {
    gListings.erase(dir);
    return nullptr;
  }
  Listing& listing = gListings[dir];
  listing.names = std::move(names);
  listing.inode = haveInfo ? info.st_ino : 0;
  listing.modified = haveInfo ? info.st_mtim : timespec{};
  // Without the folder's time the listing never counts as settled.
  listing.readAt = haveInfo ? readAt : 0;
  return &listing;
}

bool ListingSettled(const std::string& dir, const Listing& listing) {
  struct stat info {};
  if (listing.readAt == 0 || stat(dir.c_str(), &info) != 0) return false;
  return info.st_ino == listing.inode && info.st_mtim.tv_sec == listing.modified.tv_sec &&
         info.st_mtim.tv_nsec == listing.modified.tv_nsec &&
         listing.readAt - Nanoseconds(listing.modified) > kListingSettleNs;
}

const std::string* FindName(const std::vector<std::string>& names, const std::string& utf8, bool haveUtf8,
                            const std::string& raw) {
  auto exact = [&](const std::string& wanted) -> const std::string* {
    for (const auto& name : names) {
      if (name == wanted) return &name;
    }
    return nullptr;
  };
  auto folded = [&](const std::string& wanted) -> const std::string* {
    for (const auto& name : names) {
      if (EqualsIgnoreAsciiCase(name, wanted)) return &name;
    }
    return nullptr;
  };
  if (haveUtf8) {
    if (auto* hit = exact(utf8)) return hit;
    if (auto* hit = folded(utf8)) return hit;
  }
  if (!haveUtf8 || raw != utf8) {
    if (auto* hit = exact(raw)) return hit;
    if (auto* hit = folded(raw)) return hit;
  }
  return nullptr;
}

// The on-disk name in `dir` for the CP932 component, or false.
bool MatchComponent(const std::string& dir, const std::string& component, std::string* diskName) {
  std::string utf8;
  bool haveUtf8 = Utf8Of(component, &utf8);
  std::lock_guard lock(gListingMutex);
  auto it = gListings.find(dir);
  if (it != gListings.end()) {
    if (auto* hit = FindName(it->second.names, utf8, haveUtf8, component)) {
      *diskName = *hit;
      return true;
    }
    if (ListingSettled(dir, it->second)) return false;
  }
  // A miss on a listing that may be stale (or no listing yet): read again.
  Listing* listing = ListingLoad(dir);
  if (!listing) return false;
  if (auto* hit = FindName(listing->names, utf8, haveUtf8, component)) {
    *diskName = *hit;
    return true;
  }
  return false;
}

// ---- file table --------------------------------------------------------------

struct FileSlot {
  int fd = -1;
  bool textMode = false;
};
constexpr size_t kMaxFiles = 4096;
std::mutex gFilesMutex;
std::array<FileSlot, kMaxFiles> gFiles;

bool LookupFile(int file, FileSlot* slot) {
  if (file <= 0 || static_cast<size_t>(file) > kMaxFiles) return false;
  std::lock_guard lock(gFilesMutex);
  *slot = gFiles[file - 1];
  return slot->fd >= 0;
}

// ---- searches ----------------------------------------------------------------

struct Search {
  bool used = false;
  std::vector<FindData> results;
  size_t next = 0;
};
std::mutex gSearchMutex;
std::vector<Search> gSearches;

bool WildcardMatchFold(std::string_view pattern, std::string_view name) {
  // Iterative '*' matching with one backtrack point; characters are CP932
  // units, ASCII letters compared without case.
  size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      while (p < pattern.size() && pattern[p] == '*') ++p;
      starP = p;
      starN = n;
      continue;
    }
    size_t nameLen = CharLength(name, n);
    if (p < pattern.size()) {
      size_t patLen = CharLength(pattern, p);
      bool match = false;
      if (patLen == 1 && pattern[p] == '?') {
        match = true;
      } else if (patLen == nameLen) {
        match = patLen == 1 ? AsciiLower(pattern[p]) == AsciiLower(name[n]) : pattern.substr(p, 2) == name.substr(n, 2);
      }
      if (match) {
        p += patLen;
        n += nameLen;
        continue;
      }
    }
    if (starP == std::string_view::npos) return false;
    starN += CharLength(name, starN);
    n = starN;
    p = starP;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// A pattern's folder on disk and its last component (CP932), split at the last
// separator (a single-byte one) or a drive colon.
void SplitPattern(std::string_view pattern, std::string* nativeDir, std::string* name) {
  size_t split = std::string_view::npos;
  for (size_t i = 0; i < pattern.size(); i += CharLength(pattern, i)) {
    if (IsSeparator(pattern[i]) || (i == 1 && pattern[i] == ':')) split = i;
  }
  if (split == std::string_view::npos) {
    *nativeDir = NativeCurrentDirectory();
    *name = std::string(pattern);
  } else {
    *nativeDir = NativePath(pattern.substr(0, split + 1));
    *name = std::string(pattern.substr(split + 1));
  }
}

// The temporary file FileReplaceAtomic writes for a target: "." + target name +
// kTemporaryMark + mkostemp's six letters or digits. The mark is one no person
// gives a file of their own (".Game.ini.backup" is someone's copy, not ours).
constexpr std::string_view kTemporaryMark = ".vorn-tmp-";
constexpr size_t kTemporaryRandom = 6;

// True when `name` is such a temporary file; the target name is returned.
bool ReplaceTemporaryTarget(std::string_view name, std::string_view* target) {
  constexpr size_t kSuffix = kTemporaryMark.size() + kTemporaryRandom;
  if (name.size() < 2 + kSuffix || name[0] != '.') return false;
  if (name.substr(name.size() - kSuffix, kTemporaryMark.size()) != kTemporaryMark) return false;
  for (size_t i = name.size() - kTemporaryRandom; i < name.size(); ++i)
    if (std::isalnum(static_cast<unsigned char>(name[i])) == 0) return false;
  *target = name.substr(1, name.size() - 1 - kSuffix);
  return true;
}

// The file a write of `native` lands in: a symbolic link is followed to its
// last target (which may not exist yet), so the link itself stays a link.
// A loop of links gives the path itself back; the rename then fails as the
// open would.
std::string FollowLinks(const std::string& native) {
  std::string current = native;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat info {};
    if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
    std::array<char, PATH_MAX> buffer{};
    const ssize_t length = readlink(current.c_str(), buffer.data(), buffer.size());
    if (length <= 0 || static_cast<size_t>(length) >= buffer.size()) return native;
    const std::string link(buffer.data(), static_cast<size_t>(length));
    const size_t slash = current.find_last_of('/');
    if (link[0] == '/' || slash == std::string::npos) {
      current = link;
    } else {
      current.resize(slash + 1);  // a relative link starts from the link's own folder
      current += link;
    }
  }
  return native;
}

bool FillFindData(const std::string& nativeDir, const std::string& diskName, const std::string& runtimeName,
                  FindData* out) {
  if (runtimeName.size() >= sizeof out->name) return false;
  std::memset(out, 0, sizeof *out);
  std::memcpy(out->name, runtimeName.data(), runtimeName.size());
  struct stat info {};
  std::string full = diskName == "."    ? nativeDir
                     : diskName == ".." ? ParentNative(nativeDir)
                                        : JoinNative(nativeDir, diskName);
  if (stat(full.c_str(), &info) == 0) {
    out->directory = S_ISDIR(info.st_mode);
    out->size = out->directory ? 0 : static_cast<uint64_t>(info.st_size);
    out->creationTime = info.st_mtime;
    out->lastWriteTime = info.st_mtime;
  }
  return true;
}

std::string ToRuntimeAbsolute(const std::string& native) {
  std::string out = "C:";
  size_t i = 0;
  while (i < native.size()) {
    while (i < native.size() && native[i] == '/') ++i;
    if (i >= native.size()) break;
    size_t end = native.find('/', i);
    if (end == std::string::npos) end = native.size();
    out += '\\';
    out += RuntimeName(native.substr(i, end - i));
    i = end;
  }
  if (out.size() == 2) out += '\\';
  return out;
}

size_t CopyOut(const std::string& text, char* buffer, size_t capacity) {
  if (text.size() + 1 > capacity) {
    if (buffer && capacity > 0) buffer[0] = '\0';
    return text.size() + 1;
  }
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  return text.size();
}

}  // namespace

std::string NativePath(std::string_view path) {
  ParsedPath parsed = ParsePath(path);
  std::string current = parsed.absolute ? std::string("/") : NativeCurrentDirectory();
  for (const auto& component : parsed.components) {
    if (component == ".") continue;
    if (component == "..") {
      current = ParentNative(current);
      continue;
    }
    std::string diskName;
    if (!MatchComponent(current, component, &diskName)) {
      std::string utf8;
      diskName = Utf8Of(component, &utf8) ? utf8 : component;
    }
    current = JoinNative(current, diskName);
  }
  return current;
}

std::string RuntimeName(std::string_view diskName) {
  if (IsAscii(diskName)) return std::string(diskName);
  std::string cp932 = Utf8ToCp932(diskName);
  if (Cp932ToUtf8(cp932) == diskName) return cp932;
  return std::string(diskName);
}

void ListingCacheClear() {
  std::lock_guard lock(gListingMutex);
  gListings.clear();
}

int FileOpen(std::string_view path, FileAccess access, bool textMode) {
  std::string native = NativePath(path);
  int flags = O_CLOEXEC;
  switch (access) {
    case FileAccess::Read: flags |= O_RDONLY; break;
    case FileAccess::Write: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case FileAccess::WriteNew: flags |= O_WRONLY | O_CREAT | O_EXCL; break;
    case FileAccess::Append: flags |= O_WRONLY | O_CREAT | O_APPEND; break;
  }
  int fd = open(native.c_str(), flags, 0644);
  if (fd < 0) return 0;
  if (access == FileAccess::Read) {
    struct stat info {};
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
      close(fd);
      return 0;
    }
  } else {
    ListingCacheClear();
  }
  std::lock_guard lock(gFilesMutex);
  for (size_t i = 0; i < kMaxFiles; ++i) {
    if (gFiles[i].fd < 0) {
      gFiles[i].fd = fd;
      gFiles[i].textMode = textMode;
      return static_cast<int>(i + 1);
    }
  }
  close(fd);
  return 0;
}

bool FileClose(int file) {
  if (file <= 0 || static_cast<size_t>(file) > kMaxFiles) return false;
  int fd;
  {
    std::lock_guard lock(gFilesMutex);
    fd = gFiles[file - 1].fd;
    gFiles[file - 1] = FileSlot{};
  }
  return fd >= 0 && close(fd) == 0;
}

int64_t FileRead(int file, void* buffer, int64_t bytes) {
  FileSlot slot;
  if (!LookupFile(file, &slot) || bytes < 0) return -1;
  auto* out = static_cast<char*>(buffer);
  int64_t total = 0;
  while (total < bytes) {
    size_t chunk = static_cast<size_t>(std::min<int64_t>(bytes - total, INT_MAX));
    ssize_t got = read(slot.fd, out + total, chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      return total > 0 ? total : -1;
    }
    if (got == 0) break;
    total += got;
  }
  return total;
}

namespace {
bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t put = write(fd, data, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += put;
    size -= static_cast<size_t>(put);
  }
  return true;
}
}  // namespace

int64_t FileWrite(int file, const void* buffer, int64_t bytes) {
  FileSlot slot;
  if (!LookupFile(file, &slot) || bytes < 0) return -1;
  const auto* data = static_cast<const char*>(buffer);
  if (!slot.textMode) return WriteAll(slot.fd, data, static_cast<size_t>(bytes)) ? bytes : -1;
  std::string converted;
  converted.reserve(static_cast<size_t>(bytes) + 16);
  for (int64_t i = 0; i < bytes; ++i) {
    if (data[i] == '\n') converted += '\r';
    converted += data[i];
  }
  return WriteAll(slot.fd, converted.data(), converted.size()) ? bytes : -1;
}

int64_t FileSeek(int file, int64_t offset, int origin) {
  FileSlot slot;
  if (!LookupFile(file, &slot)) return -1;
  int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : -1;
  if (whence < 0) return -1;
  off_t result = lseek(slot.fd, static_cast<off_t>(offset), whence);
  return result < 0 ? -1 : static_cast<int64_t>(result);
}

int64_t FileSize(int file) {
  FileSlot slot;
  if (!LookupFile(file, &slot)) return -1;
  struct stat info {};
  if (fstat(slot.fd, &info) != 0) return -1;
  return static_cast<int64_t>(info.st_size);
}

bool FileDelete(std::string_view path) {
  std::string native = NativePath(path);
  bool ok = unlink(native.c_str()) == 0;
  ListingCacheClear();
  return ok;
}

bool FileReadOnly(std::string_view path) {
  const std::string native = NativePath(path);
  return access(native.c_str(), F_OK) == 0 && access(native.c_str(), W_OK) != 0;
}

int RemoveReplaceLeftovers(std::string_view pattern, int64_t minimumAgeSeconds) {
  std::string nativeDir, name;
  SplitPattern(pattern, &nativeDir, &name);
  std::vector<std::string> names;
  if (name.empty() || !ReadListing(nativeDir, &names)) return 0;
  const int64_t now = RealTimeNow() / 1000000000LL;
  int removed = 0;
  for (const std::string& diskName : names) {
    const std::string runtime = RuntimeName(diskName);
    std::string_view target;
    if (!ReplaceTemporaryTarget(runtime, &target) || !WildcardMatchFold(name, target)) continue;
    const std::string full = JoinNative(nativeDir, diskName);
    struct stat info {};
    if (lstat(full.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    if (minimumAgeSeconds > 0 && now - static_cast<int64_t>(info.st_mtim.tv_sec) < minimumAgeSeconds) continue;
    if (unlink(full.c_str()) == 0) ++removed;
  }
  if (removed > 0) ListingCacheClear();
  return removed;
}

ReplaceResult FileReplaceAtomic(std::string_view path, const void* data, int64_t bytes) {
  if (bytes < 0) return ReplaceResult::Failed;
  const std::string native = FollowLinks(NativePath(path));
  const size_t slash = native.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : slash == 0 ? "/" : native.substr(0, slash);
  const std::string name = slash == std::string::npos ? native : native.substr(slash + 1);
  // A dot file beside the target: the rename stays within one volume.
  std::string temporary =
      JoinNative(folder, "." + name + std::string(kTemporaryMark) + std::string(kTemporaryRandom, 'X'));
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOSPC || errno == EDQUOT) return ReplaceResult::NoSpace;
    return errno == EACCES || errno == EPERM || errno == EROFS ? ReplaceResult::NoTemporary : ReplaceResult::Failed;
  }
  ListingCacheClear();
  // The file keeps the mode it had (a player's 0600 stays private); a new one
  // follows the process's umask like any new file.
  mode_t mode = 0;
  struct stat old {};
  if (stat(native.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    mode = old.st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  const bool written = WriteAll(fd, static_cast<const char*>(data), static_cast<size_t>(bytes));
  int error = written ? 0 : errno;
  const bool flushed = written && fchmod(fd, mode) == 0 && fsync(fd) == 0;
  if (written && !flushed) error = errno;
  const bool closed = close(fd) == 0;
  if (flushed && !closed) error = errno;
  const bool ready = flushed && closed;
  if (!ready || rename(temporary.c_str(), native.c_str()) != 0) {
    if (ready) error = errno;
    unlink(temporary.c_str());
    ListingCacheClear();
    return error == ENOSPC || error == EDQUOT || error == EFBIG ? ReplaceResult::NoSpace : ReplaceResult::Failed;
  }
  ListingCacheClear();
  // The rename itself reaches the disk with the folder's entry.
  const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    fsync(folderFd);
    close(folderFd);
  }
  return ReplaceResult::Ok;
}

int64_t DiskFreeBytes(std::string_view path) {
  struct statvfs info {};
  if (statvfs(NativePath(path).c_str(), &info) != 0) return -1;
  return static_cast<int64_t>(static_cast<uint64_t>(info.f_bavail) * info.f_frsize);
}

bool DirectoryCreate(std::string_view path) {
  std::string native = NativePath(path);
  bool ok = mkdir(native.c_str(), 0755) == 0;
  ListingCacheClear();
  return ok;
}

std::string RuntimeAbsolutePath(std::string_view nativePath) { return ToRuntimeAbsolute(std::string(nativePath)); }

size_t CurrentDirectoryGet(char* buffer, size_t capacity) {
  std::error_code error;
  auto cwd = std::filesystem::current_path(error);
  if (error) return 0;
  return CopyOut(ToRuntimeAbsolute(cwd.string()), buffer, capacity);
}

bool CurrentDirectorySet(std::string_view path) {
  if (path.empty()) return false;
  std::string native = NativePath(path);
  return chdir(native.c_str()) == 0;
}

int FindFirst(std::string_view pattern, FindData* out) {
  std::string nativeDir, name;
  SplitPattern(pattern, &nativeDir, &name);
  if (name.empty()) return -1;
  if (name == "*.*") name = "*";
  std::vector<std::string> names;
  if (!ReadListing(nativeDir, &names)) return -1;
  std::sort(names.begin(), names.end());
  Search search;
  search.used = true;
  names.insert(names.begin(), {".", ".."});
  for (const auto& diskName : names) {
    std::string runtime = RuntimeName(diskName);
    if (!WildcardMatchFold(name, runtime)) continue;
    FindData data;
    if (FillFindData(nativeDir, diskName, runtime, &data)) search.results.push_back(data);
  }
  if (search.results.empty()) return -1;
  if (out) *out = search.results[0];
  search.next = 1;
  std::lock_guard lock(gSearchMutex);
  for (size_t i = 0; i < gSearches.size(); ++i) {
    if (!gSearches[i].used) {
      gSearches[i] = std::move(search);
      return static_cast<int>(i + 1);
    }
  }
  gSearches.push_back(std::move(search));
  return static_cast<int>(gSearches.size());
}

bool FindNext(int search, FindData* out) {
  std::lock_guard lock(gSearchMutex);
  if (search <= 0 || static_cast<size_t>(search) > gSearches.size()) return false;
  Search& state = gSearches[search - 1];
  if (!state.used || state.next >= state.results.size()) return false;
  if (out) *out = state.results[state.next];
  ++state.next;
  return true;
}

bool FindClose(int search) {
  std::lock_guard lock(gSearchMutex);
  if (search <= 0 || static_cast<size_t>(search) > gSearches.size()) return false;
  Search& state = gSearches[search - 1];
  if (!state.used) return false;
  state = Search{};
  return true;
}

size_t TempFolderGet(char* buffer, size_t capacity) {
  std::error_code error;
  auto folder = std::filesystem::temp_directory_path(error);
  if (error) folder = "/tmp";
  std::string text = ToRuntimeAbsolute(folder.string());
  if (text.back() != '\\') text += '\\';
  return CopyOut(text, buffer, capacity);
}

unsigned TempFileNameMake(std::string_view folder, std::string_view prefix, char* out, size_t capacity) {
  static std::mutex counterMutex;
  static unsigned counter = static_cast<unsigned>(getpid()) * 7919u;
  std::string base(folder);
  if (!base.empty() && !IsSeparator(base.back())) base += '\\';
  base.append(prefix.substr(0, 3));
  for (int attempt = 0; attempt < 0x10000; ++attempt) {
    unsigned number;
    {
      std::lock_guard lock(counterMutex);
      counter = (counter + 1) & 0xFFFF;
      if (counter == 0) counter = 1;
      number = counter;
    }
    char hex[8];
    (void)std::snprintf(hex, sizeof hex, "%X", number);
    std::string candidate = base + hex + ".tmp";
    if (candidate.size() + 1 > capacity) return 0;
    int file = FileOpen(candidate, FileAccess::WriteNew);
    if (file == 0) {
      if (errno == EEXIST) continue;
      return 0;
    }
    FileClose(file);
    std::memcpy(out, candidate.c_str(), candidate.size() + 1);
    return number;
  }
  return 0;
}

LocalTime LocalTimeFromFileTime(int64_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  LocalTime result{};
  if (!localtime_r(&t, &tm)) return result;
  result.year = tm.tm_year + 1900;
  result.month = tm.tm_mon + 1;
  result.day = tm.tm_mday;
  result.hour = tm.tm_hour;
  result.minute = tm.tm_min;
  result.second = tm.tm_sec;
  result.dayOfWeek = tm.tm_wday;
  return result;
}

SmallFileRead ReadSmallRegularFile(std::string_view path, int64_t maxBytes, std::string* out) {
  out->clear();
  const std::string native = NativePath(path);
  // Non-blocking: opening a FIFO must not wait for a writer.
  const int fd = open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? SmallFileRead::Missing : SmallFileRead::Unreadable;
  const auto finish = [fd, out](SmallFileRead result) {
    close(fd);
    if (result != SmallFileRead::Ok) out->clear();
    return result;
  };
  struct stat info {};
  if (fstat(fd, &info) != 0) return finish(SmallFileRead::Unreadable);
  if (!S_ISREG(info.st_mode)) return finish(SmallFileRead::NotRegular);
  if (info.st_size > maxBytes) return finish(SmallFileRead::TooLarge);
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return finish(SmallFileRead::Unreadable);
  // One byte past the bound tells a file that grew since the fstat.
  const int64_t limit = maxBytes + 1;
  out->resize(static_cast<size_t>(std::min<int64_t>(info.st_size, maxBytes) + 1));
  int64_t total = 0;
  for (;;) {
    if (total == static_cast<int64_t>(out->size())) {
      if (total >= limit) return finish(SmallFileRead::TooLarge);
      out->resize(static_cast<size_t>(std::min<int64_t>(limit, total * 2 + 4096)));
    }
    const ssize_t got = read(fd, out->data() + total, out->size() - static_cast<size_t>(total));
    if (got < 0) {
      if (errno == EINTR) continue;
      return finish(SmallFileRead::Unreadable);
    }
    if (got == 0) break;
    total += got;
  }
  out->resize(static_cast<size_t>(total));
  return finish(SmallFileRead::Ok);
}

}  // namespace platform
