#include "sim/machines_dir.h"

#include <cstdlib>
#include <filesystem>

namespace zm::sim {

std::string MachinesDirectory() {
    if (const char* env = std::getenv("ZENTRIMO_MACHINES"); env && *env) return env;
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        for (fs::path dir = self.parent_path(); !dir.empty() && dir != dir.root_path();
             dir = dir.parent_path()) {
            if (fs::is_directory(dir / "machines", ec)) return (dir / "machines").string();
        }
    }
    return ZM_MACHINES_INSTALL_DIR;
}

}  // namespace zm::sim
