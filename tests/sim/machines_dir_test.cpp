// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/machines_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

// Where the profiles are looked for from the executable's place: an installed prefix first,
// then a machines/ folder above a build folder.
TEST(MachinesDirectory, InstalledPrefixBeforeTheSourceTreeFolderAbove) {
    const fs::path root = fs::path(testing::TempDir()) / "zm_machines_dir";
    fs::remove_all(root);
    fs::create_directories(root / "prefix" / "bin");
    fs::create_directories(root / "prefix" / "share" / "zentrimo" / "machines");
    fs::create_directories(root / "machines");
    fs::create_directories(root / "build" / "tests");

    EXPECT_EQ(zm::sim::MachinesDirectoryFor(root / "prefix" / "bin" / "zentrimo"),
              (root / "prefix" / "share" / "zentrimo" / "machines").string());
    EXPECT_EQ(zm::sim::MachinesDirectoryFor(root / "build" / "tests" / "zentrimo"),
              (root / "machines").string());
    fs::remove_all(root);
}
