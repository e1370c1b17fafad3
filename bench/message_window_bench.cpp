// The message window (four lines of 25 double-byte characters with colour and
// size codes and an icon) and a ten-line choice window drawn through the text
// renderer onto the headless back screen, once a frame as the scene draws
// them. Goal: well under a tenth of the 16 ms frame budget.
#include <benchmark/benchmark.h>

#include <string>

#include "BenchLibrary.h"
#include "gamedata/Database.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/VariableStore.h"
#include "platform/text/Text.h"
#include "presentation/ChoiceWindow.h"
#include "presentation/MessageEscapes.h"
#include "presentation/MessageWindow.h"
#include "presentation/TextResources.h"
#include "shell/GameSystem.h"
#include "shell/StartupGlobals.h"

namespace {

// A System database of 13 types: 10 the (empty) window skins, 12 fourteen text colours.
void BuildSystemDatabase() {
  gSystemDatabase = Database();
  for (int t = 0; t < 13; ++t) {
    DatabaseTypeData type;
    if (t == 10) {
      type.contentCodes = {2000, 1000};
      type.rows.assign(3, DatabaseRow{{1}, {""}});
    } else if (t == 12) {
      type.contentCodes = {1000, 1001, 1002};
      for (int row = 0; row < 14; ++row) type.rows.push_back(DatabaseRow{{255, 128 + row * 8, 64}, {}});
    }
    gSystemDatabase.types.push_back(type);
    gSystemDatabase.definitions.emplace_back();
  }
}

struct Scene {
  std::unique_ptr<MessageWindow> message;
  std::unique_ptr<ChoiceWindow> choice;

  Scene() {
    StartHeadlessBenchLibrary("player-messagebench-");
    gTileSize = 32;
    gScreenScale = 1;
    gFrameStep = 1;
    BuildSystemDatabase();
    gVariableStore = VariableStore(1);
    gVariableStore.context = &gEventSystem;
    gVariableStore.WriteVariable(9000009, 100000);  // reveal at once
    gVariableStore.WriteVariable(9000010, 0);
    gVariableStore.WriteVariable(9000014, 1);  // no skin loaded: the frame is not drawn
    gTextResources.SetUpFonts();
    gTextResources.LoadIconList();  // no icon files: empty lists of their full size
    gTextResources.iconHandles.assign(2, 0);
    gTextResources.iconHandles[1] = CreateBlankGraph(24, 24, 0);
    gTextResources.iconWidths[1] = gTextResources.iconHeights[1] = 24;
    message = std::make_unique<MessageWindow>();
    choice = std::make_unique<ChoiceWindow>();

    const char* lines[4] = {"吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつか",
                            "ぬ。何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは",
                            "記憶している。吾輩はここで始めて人間というものを見た。しかもあ",
                            "とで聞くとそれは書生という人間中で一番獰悪な種族であったそうだ"};
    std::string text;
    for (int i = 0; i < 4; ++i) {
      const std::string line = platform::Utf8ToCp932(lines[i]).substr(0, 50);
      text += (i == 1   ? "\\c[3]"
               : i == 2 ? "\\i[1]\\f[20]"
                        : "") +
              line.substr(0, 20) + "\\c[" + std::to_string(i) + "]" + line.substr(20) + "\n";
    }
    gGameSystem.messageText = ExpandMessageEscapes(text, -1, 0, 1, 0, 0, "", "", 0);
    gGameSystem.messageOwnerState = -1;
    std::string choices;
    for (int i = 0; i < 10; ++i)
      choices += platform::Utf8ToCp932("選択肢その" + std::to_string(i) + "：宿屋に泊まる\n");
    gGameSystem.choiceText = choices;
    gGameSystem.choiceCount = 10;
    gGameSystem.choiceFollows = 1;
    for (int frame = 0; frame < 20; ++frame) {
      choice->UpdateChoiceWindow();
      message->UpdateMessageWindow();
    }
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void BM_MessageWindow(benchmark::State& state) {
  Scene& scene = TheScene();
  for (auto _ : state) scene.message->DrawMessageWindow();
  state.counters["lines"] = static_cast<double>(scene.message->lineHeights.size());
}
BENCHMARK(BM_MessageWindow)->Unit(benchmark::kMicrosecond);

void BM_ChoiceWindow(benchmark::State& state) {
  Scene& scene = TheScene();
  for (auto _ : state) scene.choice->DrawChoiceWindow();
  state.counters["lines"] = static_cast<double>(scene.choice->lineHeights.size());
}
BENCHMARK(BM_ChoiceWindow)->Unit(benchmark::kMicrosecond);

// Both windows and the measure pass of a newly set message, as a frame that
// opens a message does.
void BM_MessageAndChoiceFrame(benchmark::State& state) {
  Scene& scene = TheScene();
  for (auto _ : state) {
    scene.message->preparedText.clear();
    scene.message->RenderTextBlock(false, 1.0, 1.0);
    scene.message->revealed = 1e6;
    scene.message->DrawMessageWindow();
    scene.choice->DrawChoiceWindow();
  }
}
BENCHMARK(BM_MessageAndChoiceFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
