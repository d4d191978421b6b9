#pragma once
// Commands the helper runs as root (systemctl, modprobe). The helper's standard input and output
// are the protocol's pipes: a child that inherited them could read the window's next request or
// put bytes between two replies. So a child reads /dev/null and writes its output to the
// helper's standard error, which is the helper's log.

#include <string>
#include <vector>

namespace zm::hw::helper {

// Runs argv[0] (looked up in PATH) and waits: its exit code, or -1 when it could not run or
// ended on a signal.
int RunDetached(const std::vector<std::string>& argv);

}  // namespace zm::hw::helper
