#include "shell/ShellServices.h"

#include "gamedata/GlobalObjects.h"

InternetConnection gInternetConnection;
std::string gProxy;
std::string gProxyPort;

bool InternetConnection::BeginInternetConnection(const std::string& /*address*/, const std::string& /*secondText*/,
                                                 int /*flag*/, int /*number*/) {
  status = 0;
  return true;
}
