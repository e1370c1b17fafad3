#pragma once

#include <cstdint>

#include "gamedata/RandomSeedLog.h"
#include "gamedata/SaveManager.h"

// The replay log's frames: every live frame's directions and action keys are
// recorded as runs of equal frame values (bit 0 up, 1 down, 2 left, 3 right,
// 4 confirm, 5 cancel, 6 sub, 7 pad button 11); in replay playback
// (gReplayPlaying) they are taken from the log instead.

void RecordReplayFrame(RandomSeedLog& log, uint8_t up, uint8_t down, uint8_t left, uint8_t right, uint8_t confirm,
                       uint8_t cancel, uint8_t sub, uint8_t button11);
// Takes the next frame of the log. At its end gReplayFinished is set and a
// notice shown; a seed-check entry whose random state differs from the
// generator's is reported in a notice.
void PlayReplayFrame(RandomSeedLog& log, uint8_t& up, uint8_t& down, uint8_t& left, uint8_t& right, uint8_t& confirm,
                     uint8_t& cancel, uint8_t& sub, uint8_t& button11);

// True while a notice of the replay waits for the player: input is then read
// live and neither recorded nor played.
bool IsReplayNoticeOpen();

// At every restart: outside replay playback a fresh log; in playback the
// shared random generator is seeded from the log's first value, when it has
// one.
void RenewReplayLogAtRestart();
