#include "shell/ShellServices.h"

#include "gamedata/GlobalObjects.h"

InternetConnection gInternetConnection;
std::string gProxy;
std::string gProxyPort;
double gFrameSkipFactor = 1.0;

int SetFrameSkipMode(int mode) {
  if (mode < 0) mode = 0;
  if (mode > 2) mode = 2;
  gEventSystem.frameSkipMode = mode;
  gFrameSkipFactor = mode == 0 ? 1.0 : mode == 1 ? 0.5 : 0.25;
  return mode;
}

bool InternetConnection::BeginInternetConnection(const std::string& /*address*/, const std::string& /*secondText*/,
                                                 int /*flag*/, int /*number*/) {
  status = 0;
  return true;
}
