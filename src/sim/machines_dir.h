#pragma once
#include <string>

namespace zm::sim {

// The folder that holds the shipped machine profiles: $ZENTRIMO_MACHINES if set, else
// "machines" beside the executable's folder's parent (an installed or built tree), else the
// source tree's machines/ folder this build came from.
std::string MachinesDirectory();

}  // namespace zm::sim
