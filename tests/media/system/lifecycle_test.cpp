#include <sys/wait.h>
#include <unistd.h>

#include "SystemFixture.h"
#include "media/system/MainWindow.h"
#include "platform/text/Text.h"

std::string Sjis(const std::string& utf8) { return platform::Utf8ToCp932(utf8); }

namespace {

TEST_F(SystemTest, StartWritesTheLogInOrder) {
  SetRunWhileInactive(1);
  ChangeWindowMode(1);
  SetMainWindowTitle(Sjis("テスト").c_str());
  ASSERT_EQ(StartMediaLibrary(), 0);
  for (auto& l : LogLines()) printf("[%s]\n", platform::Cp932ToUtf8(l).c_str());
  EndMediaLibrary();
  for (auto& l : LogLines()) printf("[%s]\n", platform::Cp932ToUtf8(l).c_str());
}

}  // namespace
