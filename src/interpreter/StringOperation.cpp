#include "interpreter/StringOperation.h"

#include <cstdint>
#include <string>
#include <vector>

#include "gamedata/GameText.h"
#include "gamedata/GlobalObjects.h"
#include "interpreter/EventRunner.h"
#include "interpreter/InterpreterServices.h"
#include "interpreter/VariableArithmetic.h"
#include "media/PublicFunctions.h"
#include "platform/files/Files.h"
#include "presentation/MessageEscapes.h"
#include "presentation/TextCodes.h"
#include "shell/GamePaths.h"

namespace {

constexpr const char* kNoFile = "<NoFile>";
constexpr const char* kErrorText = "<<ERROR>>";

enum : int { kSourceLiteral = 0, kSourceString = 1, kSourceChosen = 2, kSourceEntry = 3 };

bool ReadsOld(int op) { return op == 1 || op == 6 || op == 8 || op == 9; }

std::string ReadWholeFile(const std::string& name) {
  const FileHandle file = OpenFileForRead(name.c_str(), 0);
  if (file == 0) return kNoFile;
  const int size = GetFileSizeByName(name.c_str());
  if (size < 0) {
    FileLayerClose(file);
    return kNoFile;
  }
  std::vector<char> buffer(static_cast<size_t>(size) + 1, '\0');
  if (size > 0) ReadFileBlock(buffer.data(), size, file);
  FileLayerClose(file);
  return std::string(buffer.data());  // a zero byte ends the text
}

void WriteFailedNotice(const std::string& name) {
  ShowNoticeBox(Cp932Text("【テキスト出力】 ファイルを出力できませんでした。"),
                Cp932Text("フォルダが存在しないか、アクセス制限されている可能性があります"), name);
}

void RefusedNameNotice() {
  if (!gTestPlay) return;
  ShowNoticeBox(Cp932Text("[文字列操作] ﾃｽﾄ専用ｴﾗｰ:絶対ｱﾄﾞﾚｽ指定か上位ﾌｫﾙﾀﾞ指定(..)が行われています。"),
                Cp932Text("ゲームフォルダ外部にはファイル出力できません。"), ErrorLocationText());
}

// Writes the text in text mode (LF as CR LF) inside the game folder.
void WriteTextFile(const std::string& source, const std::string& contents) {
  if (source.empty()) {
    if (gTestPlay) {
      ShowNoticeBox(Cp932Text("[文字列操作] テスト専用エラー:書き込み先が空欄です。ファイル出力しませんでした。"),
                    ErrorLocationText(), "");
    }
    return;
  }
  const std::string name = EscapesFromControlCodes(source);
  // The check applies to the name as written too: control codes turn into
  // backslashes there.
  if (!IsWritableFileName(source) || !IsWritableFileName(name)) {
    RefusedNameNotice();
    return;
  }
  const int file = platform::FileOpen(name, platform::FileAccess::Write, true);
  if (file == 0) {
    WriteFailedNotice(name);
    return;
  }
  const std::string text = EscapesFromControlCodes(contents);
  const int64_t written = platform::FileWrite(file, text.data(), static_cast<int64_t>(text.size()));
  const bool closed = platform::FileClose(file);
  if (written != static_cast<int64_t>(text.size()) || !closed) WriteFailedNotice(name);
}

std::string ListFolder(const std::string& source) {
  std::string path = gExeFolderPath.empty() ? source : gExeFolderPath + "\\" + source;
  for (char& c : path) {
    if (c == '\x01') c = '\\';
  }
  // A folder that cannot be read lists nothing.
  platform::FindData data{};
  const int search = platform::FindFirst(path + "\\*", &data);
  if (search < 0) return std::string();
  std::string listing;
  bool first = true;
  do {
    const std::string name = data.name;
    if (name == "." || name == "..") continue;
    if (!first) listing += '\n';
    listing += name;
    first = false;
  } while (platform::FindNext(search, &data));
  platform::FindClose(search);
  return listing;
}

std::string WithoutCarriageReturns(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

}  // namespace

int DecimalFromText(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' ||
                             text[i] == '\v' || text[i] == '\f')) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    if (value <= (int64_t{1} << 32)) value = value * 10 + (text[i] - '0');
    ++i;
  }
  return SaturateToInt(negative ? -value : value);
}

std::string DeleteOccurrences(std::string text, const std::string& s) {
  if (s.empty()) return text;
  if (s.size() == 1) {
    // Removing a single-byte character leaves the kinds of the others as
    // they were, so one walk decides every byte.
    std::string out;
    out.reserve(text.size());
    int state = 0;
    for (char c : text) {
      const unsigned char u = static_cast<unsigned char>(c);
      if (state == 1) {
        state = u >= 0x40 && u <= 0xFC && u != 0x7F ? 2 : 0;
      } else {
        state = (u >= 0x81 && u <= 0x9F) || (u >= 0xE0 && u <= 0xFC) ? 1 : 0;
      }
      if (state == 0 && c == s[0]) continue;
      out += c;
    }
    return out;
  }
  for (size_t at = text.find(s); at != std::string::npos; at = text.find(s)) text.erase(at, s.size());
  return text;
}

std::string ReplaceOccurrences(std::string text, const std::string& s, const std::string& r) {
  if (s.empty()) return text;
  size_t at = 0;
  while ((at = text.find(s, at)) != std::string::npos) {
    if (s.size() == 1 && ShiftJisByteKind(text, at) != 0) {
      ++at;
      continue;
    }
    text.replace(at, s.size(), r);
    at += r.size();
  }
  return text;
}

bool IsWritableFileName(const std::string& name) {
  if (name.empty()) return false;
  if (name[0] == '\\' || name[0] == '/') return false;
  return name.find(':') == std::string::npos && name.find("..") == std::string::npos;
}

bool EventRunner::CmdStringOperation() {
  const int flags = Param(2);
  const int sourceKind = flags & 0x0F;
  int op = (flags >> 8) & 0x0F;
  if (op > 9) op = 0;
  auto targetId = [&] { return (flags & 0x10) ? RunnerReadValue(Param(1)) : Param(1); };
  auto expand = [&](const std::string& text) { return ExpandTextForRunner(text, mapEventId, commonId, mapId); };

  const int target = targetId();
  std::string old = ReadsOld(op) ? RunnerReadString(target) : std::string();
  std::string src;
  switch (sourceKind) {
    case kSourceLiteral: src = expand(StringParam(0)); break;
    case kSourceString: src = RunnerReadString(Param(3)); break;
    case kSourceChosen:
      src = IsNumericId(Param(3)) ? RunnerReadString(RunnerReadValue(Param(3))) : RunnerReadString(Param(3));
      break;
    case kSourceEntry: {
      if (gGameSystem.textEntryBusy) return false;  // one entry at a time: try again next frame
      gGameSystem.textEntryBusy = 1;
      gEventSystem.keyInputState = 1;
      SetDefaultFontSize(gEventSystem.fontSize * gScreenScale);
      const int maxLength = RunnerReadValue(Param(3));
      int handle = -1;
      if (maxLength > 0) handle = CreateTextEntry(maxLength, (flags & 0x1000) ? 1 : 0, 0, 0);
      if (handle <= 0) {
        // No entry to type into: it ends at once as a cancelled one, and
        // the target keeps only the prefix.
        gGameSystem.textEntryBusy = 0;
        gEventSystem.keyInputState = -1;
        src.clear();
        break;
      }
      ActivateTextEntry(handle);
      if (flags & 0x2000) {
        std::string text = RunnerReadString(target);
        const int limit = RunnerReadValue(Param(3));
        if (static_cast<int64_t>(text.size()) > limit) {
          size_t cut = limit > 0 ? static_cast<size_t>(limit) : 0;
          if (cut > 0 && ShiftJisByteKind(text, cut - 1) == 1) --cut;
          text.resize(cut);
        }
        SetTextEntryString(text.c_str(), handle);
      }
      keyInputHandle = handle;
      keyInputMaxLength = maxLength;
      keyInputTargetId = targetId();
      keyInputPrefix = old;
      old.clear();
      src.clear();
      break;
    }
    default: break;
  }

  switch (op) {
    case 2:
    case 3: {
      src = WithoutCarriageReturns(src);
      const size_t feed = src.find('\n');
      if (op == 3) {
        const std::string rest = feed == std::string::npos ? std::string() : src.substr(feed + 1);
        if (sourceKind == kSourceString) {
          RunnerWriteString(Param(3), rest);
        } else if (sourceKind == kSourceChosen) {
          RunnerWriteString(IsNumericId(Param(3)) ? RunnerReadValue(Param(3)) : Param(3), rest);
        }
      }
      if (feed != std::string::npos) src.resize(feed);
      break;
    }
    case 4: {
      size_t n = ShiftJisByteKind(src, 0) == 1 ? 2 : 1;
      if (n > src.size()) n = src.size();
      const std::string rest = src.substr(n);
      if (sourceKind == kSourceString) {
        RunnerWriteString(Param(3), rest);
      } else if (sourceKind == kSourceChosen) {
        RunnerWriteString(RunnerReadString(Param(3)) == kErrorText ? RunnerReadValue(Param(3)) : Param(3), rest);
      }
      src.resize(n);
      break;
    }
    case 5: src = ReadWholeFile(EscapesFromControlCodes(src)); break;
    case 6: WriteTextFile(src, old); return true;
    case 7: src = ListFolder(src); break;
    case 8:
      old = DeleteOccurrences(std::move(old), src);
      src.clear();
      break;
    case 9:
      old = ReplaceOccurrences(std::move(old), src, StringParam(1));
      src.clear();
      break;
    default: break;
  }

  // Most texts hold no escape: they stay as they are, without a copy.
  if (!ExpandsToItself(src, false)) src = expand(src);
  const std::string result = old.empty() ? std::move(src) : old + src;
  const int store = targetId();
  if (IsNumericId(store)) {
    RunnerWriteVariable(store, DecimalFromText(result));
  } else {
    RunnerWriteString(store, result);
  }
  return true;
}
