#include "shell/NoticeBox.h"

#include <cstdio>

#include "platform/Backend.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/text/Text.h"

namespace {
std::vector<std::array<std::string, 3>> gRecordedNotices;
}

void ShowNoticeBox(std::string line1, std::string line2, std::string line3) {
  if (platform::IsHeadless()) {
    // Also on stderr, so a notice right before the process ends is not lost.
    std::fprintf(stderr, "[notice] %s | %s | %s\n", platform::Cp932ToUtf8(line1).c_str(),
                 platform::Cp932ToUtf8(line2).c_str(), platform::Cp932ToUtf8(line3).c_str());
    std::fflush(stderr);
    gRecordedNotices.push_back({std::move(line1), std::move(line2), std::move(line3)});
    return;
  }
  std::string text = line1;
  for (const std::string* line : {&line2, &line3}) {
    if (line->empty()) continue;
    text += "\n";
    text += *line;
  }
  platform::ShowMessageBox(text, "", platform::kMbOk);
}

std::vector<std::array<std::string, 3>> RecordedNotices() { return gRecordedNotices; }

void ClearRecordedNotices() { gRecordedNotices.clear(); }
