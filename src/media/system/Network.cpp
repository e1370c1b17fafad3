#include "media/system/Network.h"

#include "foundation/Log.h"
#include "platform/text/Cp932Literal.h"

// Nothing in this system starts sockets, creates the network window, listens
// or creates an HTTP transfer, so the layer is never initialised: each entry
// gives its failure value and the upkeep calls have nothing to do.
NetworkState gNetwork;

int AcceptNetWork() { return -1; }
int GetNetWorkAcceptState(int) { return -1; }
int NetWorkRecv(int, void*, int) { return -1; }
int NetWorkRecvToPeek(int, void*, int) { return -1; }
int NetWorkSend(int, const void*, int) { return -1; }
int GetNetWorkDataLength(int) { return -1; }
int RecvSocket(int) { return -1; }
int SendSocket(int) { return -1; }
int CloseNetWorkHandle(int) { return -1; }

int EndNetwork() { return 0; }
int PumpNetworkMessages(int) { return 0; }

intptr_t HandleSocketEvent(intptr_t, uintptr_t) {
  // No handle owns any socket.
  LogWrite(Cp932<"通信エラー No.1\n">);
  return 0;
}

int ClearHttpHandles() {
  for (auto& slot : gNetwork.httpSlots) slot = nullptr;
  gNetwork.httpLive = 0;
  return 0;
}

int CloseAllHttpHandles() { return ClearHttpHandles(); }
int ProcessHttpTransfers() { return 0; }

int StepHttpTransfer(int slot) {
  if (slot < 0 || slot >= kHttpHandleSlots || gNetwork.httpSlots[slot] == nullptr) return -1;
  return 0;
}
