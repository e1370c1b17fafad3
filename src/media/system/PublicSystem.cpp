#include "media/system/PublicSystem.h"

#include "foundation/Log.h"
#include "media/system/LibrarySystem.h"
#include "media/system/MessageLoop.h"

// The other entries of this family are the operations themselves; their
// bodies live with the window, the system record and the message loop.

int StartMediaLibrary() {
  if (gLibrarySystem.started == 1) return 0;
  AcquireLibraryLock();
  const int result = StartMediaLibraryBody();
  ReleaseLibraryLock();
  return result;
}

int EndMediaLibrary() {
  if (gLibrarySystem.started == 0) return 0;
  AcquireLibraryLock();
  EndMediaLibraryBody();
  ReleaseLibraryLock();
  ReleaseLibraryLockObjects();
  return 0;
}

int RunMessageLoopRound() {
  AcquireLibraryLock();
  const int result = RunMessageLoopRoundBody();
  ReleaseLibraryLock();
  return result;
}

int EnableLibraryLog(int on) {
  gLogState.logOff = on == 0 ? 1 : 0;
  return 0;
}
