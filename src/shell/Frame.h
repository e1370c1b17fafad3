#pragma once

#include <memory>

#include "presentation/ChoiceWindow.h"
#include "presentation/MapView.h"
#include "presentation/MessageWindow.h"

// The runtime's one screen: the map view and the message and choice windows
// (with the presentation they join), the frame pacing and the scene handlers
// chosen by the run state.
struct GameScene {
  std::unique_ptr<MapView> mapView;
  // gMessageWindow and gChoiceWindow point at these for the whole run.
  std::unique_ptr<MessageWindow> messageWindow;
  std::unique_ptr<ChoiceWindow> choiceWindow;
  // Sum of frame-skip factors since the last drawn frame.
  float drawAccumulator = 0.0f;
  // MillisecondClock at the end of the previous loop pass.
  int lastPassStart = 0;
  // Handlers by run state: 0 does nothing (the caller returns to the title),
  // 1 runs the main loop.
  int (*modeHandlers[2])(GameScene&) = {nullptr, nullptr};
};

void ConstructScene(GameScene& scene);
void DestroyScene(GameScene& scene);
// Calls the handler of the current run state (0 or 1); 0, or the nonzero
// result of the message pass that ended the main loop.
int RunSceneMode(GameScene& scene);
int EmptyUpdate(GameScene& scene);
int RunMainLoop(GameScene& scene);

// Passes of message handling, input, one frame and the function keys, paced
// at least 16 ms apart, until the run state leaves 1 or the window closes.
int MainLoop(GameScene& scene);
// One pass of MainLoop without its message pass and wait (tests and the
// headless run drive it themselves): input, the frame, function keys, meter.
// False when the run state left 1 (windows closed, back to the caller).
bool RunLoopPass(GameScene& scene);

// The end of a loop pass: the pacing wait (0-16 ms since the pass began,
// pumping messages), then the accumulator and the next pass's start.
void EndLoopPass(GameScene& scene);

// One game frame: the pending transfer, the post-load reset, map update, the
// main event runner, the hero, the updates and, when the accumulator allows,
// the drawing and presentation.
void RunFrame(GameScene& scene);
// The logic at the heart of a frame: the map update, the main event runner
// and then, unless the runner cut the frame short (a load, an abort), the
// hero's movement from input. False when the frame was cut short.
bool RunFrameLogic();
// Carries out the pending place transfer.
void TransferMap(GameScene& scene);

// The milliseconds to wait after a pass that started at `start` (clock values
// of MillisecondClock, which wraps at 2^31): 0 to 16.
int PacingWait(int start, int now);

// How many frames have been drawn (presented by RunFrame) since the start.
int DrawnFrameCount();
