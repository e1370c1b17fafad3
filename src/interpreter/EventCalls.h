#pragma once

#include <string>

// Where a call or reservation operand points, after the relative form
// (600,000 and above) has been resolved against the running common event.
struct CallTarget {
  bool common = false;  // a common event (else a map event)
  int number = 0;       // common-event number or map-event id
};
CallTarget ResolveCallTarget(int value, int runningCommonId);

// Deepest nesting of map-event page calls (each inside its caller).
inline constexpr int kMaxMapPageCallNesting = 100;

// Loads a ".common" file once: appends its events to the common-event list
// (runners that run events of the list keep running them), gives them their
// self cells and names, and remembers the file. The number of its first
// event, or -1 when the file cannot be read.
int LoadCommonEventFileOnce(const std::string& name);
