#pragma once
// --spd FILE...: SPD images decoded offline, each as the SPD window would show it, with no
// hardware, no platform check and no settings file involved.

#include <iosfwd>
#include <string>
#include <vector>

namespace zm::app {

// Prints every file's facts and grid (text, or one JSON array) to out and names each file that
// could not be decoded, with the reason, on err. Returns 0 when every file decoded, 1 otherwise.
int RunSpdFiles(const std::vector<std::string>& files, bool json, std::ostream& out,
                std::ostream& err);

}  // namespace zm::app
