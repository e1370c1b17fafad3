#pragma once

#include <cstdint>

// A TCP layer with HTTP transfers that nothing in this system starts: every
// entry fails as it would on an unstarted layer, and the calls made by the
// message pass and the library end do nothing.

constexpr int kNetworkHandleSlots = 4097;
constexpr int kHttpHandleSlots = 100;

struct NetworkState {
  int initialised = 0;
  int liveHandles = 0;
  int httpLive = 0;
  void* httpSlots[kHttpHandleSlots] = {};
};
extern NetworkState gNetwork;

int AcceptNetWork();
int GetNetWorkAcceptState(int handle);
int NetWorkRecv(int handle, void* buffer, int size);
int NetWorkRecvToPeek(int handle, void* buffer, int size);
int NetWorkSend(int handle, const void* data, int size);
int GetNetWorkDataLength(int handle);
int RecvSocket(int handle);
int SendSocket(int handle);
int CloseNetWorkHandle(int handle);
int EndNetwork();
int PumpNetworkMessages(int closeFinished);
intptr_t HandleSocketEvent(intptr_t event, uintptr_t socket);
int ClearHttpHandles();
int CloseAllHttpHandles();
int ProcessHttpTransfers();
int StepHttpTransfer(int slot);
