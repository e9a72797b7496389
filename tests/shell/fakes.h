// What the shell's tests see of the operations it calls: a list of calls in order, and the
// results the render start-up gives.
#pragma once

#include <string>
#include <vector>

extern std::vector<std::string> calls;
extern int renderObjectsResult;
extern int renderDeviceResult;
