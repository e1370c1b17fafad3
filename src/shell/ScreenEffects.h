#pragma once

class EventSystem;
struct GameSystem;

// The full-screen effects that event commands start and the frame steps and
// draws: a colour tone moving to a target, a fading flash, and a transition
// that dissolves the captured old screen into the new one.

// The tone moves from the current tone to (r, g, b) over frames + 1 steps.
void SetScreenToneTarget(EventSystem& events, int red, int green, int blue, int frames);
// A flash of that colour shown for frames + 1 steps, fading out.
void SetScreenFlash(EventSystem& events, int red, int green, int blue, int frames);
// On gGameSystem: index >= 0: the mask image of system database type 11,
// data index; < 0: plain fading. Also stores the length and the wait flag of
// the next transition.
void SetTransitionImage(int index, int frames, int waits);

// Once per frame, in the update phase.
void StepScreenTone(EventSystem& events);
void StepTransition(GameSystem& game);

// In the draw phase.
void DrawFlash(const EventSystem& events);
void DrawTransition(GameSystem& game);
void DrawCapturedScreen(const GameSystem& game);
