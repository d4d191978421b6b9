// SPDX-License-Identifier: GPL-3.0-or-later
// The helper's boot-service action: switched on or off only for the caller's own settings file,
// named in normal form and reached without a symbolic link; nothing else reaches systemctl.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "helper/boot_apply_request.h"
#include "hw/helper_pair.h"
#include "sim/simulated_machine.h"
#include "support/scratch_folder.h"

namespace zm::hw {
namespace {

namespace fs = std::filesystem;

struct FakeService final : os::BootApplyService {
    std::vector<std::string> calls;
    bool Enable(const fs::path& file) override {
        calls.push_back("enable " + file.string());
        return true;
    }
    bool Disable(const fs::path& file) override {
        calls.push_back("disable " + file.string());
        return true;
    }
};

// A served helper whose boot service is the fake one and whose check is the helper's own, for
// the user running the test.
struct ServedCheck {
    std::shared_ptr<sim::SimulatedMachine> machine = sim::SimulatedMachine::Load("x58-bloomfield");
    FakeService service;
    PortOperations operations{*machine};
    std::unique_ptr<testing::HelperPair> pair;
    ServedCheck() {
        helper::ServedBackend served{operations, machine.get(), nullptr};
        served.bootApply = &service;
        served.checkSettingsFile = [](const std::string& path, bool enable) {
            return helper::CheckOwnSettingsFile(path, ::getuid(), enable);
        };
        pair = std::make_unique<testing::HelperPair>(served);
    }
};

void WriteFile(const fs::path& path,
               fs::perms perms = fs::perms::owner_read | fs::perms::owner_write) {
    std::ofstream(path) << "[HL]\nAN=1\n";
    fs::permissions(path, perms);
}

class HelperBootApply : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir_ / "real");
        WriteFile(dir_ / "real" / "ZM.ini");
    }
    zm::testing::ScratchFolder dir_{"zm-boot-apply"};
};

TEST_F(HelperBootApply, EveryPathOutsideTheCallersOwnPlainFileIsRefusedWithNothingRun) {
    const std::string d = dir_.string();
    const std::string own = d + "/real/ZM.ini";
    const struct {
        const char* what;
        std::string path;
        std::function<bool()> setUp;  // false: the case cannot be made here
        const char* why;
    } cases[] = {
        {"NUL", own + std::string("\0/../../../etc/shadow", 21), {}, "NUL"},
        {"..", d + "/real/../real/ZM.ini", {}, "\"..\""},
        {"//", d + "/real//ZM.ini", {}, "\"//\""},
        {"relative", "real/ZM.ini", {}, "not absolute"},
        {"link as a middle folder", d + "/mid/ZM.ini",
         [&] {
             fs::create_directory_symlink(dir_ / "real", dir_ / "mid");
             return true;
         },
         "symbolic link"},
        {"link as the file", d + "/real/link.ini",
         [&] {
             fs::create_symlink(dir_ / "real" / "ZM.ini", dir_ / "real" / "link.ini");
             return true;
         },
         "symbolic link"},
        {"another user's file", d + "/real/theirs.ini",
         [&] {
             WriteFile(dir_ / "real" / "theirs.ini");
             // Giving a file away needs root.
             return ::chown((dir_ / "real" / "theirs.ini").c_str(), 65534, 65534) == 0;
         },
         "another user"},
        {"group-writable", d + "/real/shared.ini",
         [&] {
             WriteFile(dir_ / "real" / "shared.ini",
                       fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_write);
             return true;
         },
         "others may write"},
        {"FIFO", d + "/real/fifo.ini",
         [&] { return ::mkfifo((dir_ / "real" / "fifo.ini").c_str(), 0600) == 0; },
         "not a regular file"},
        {"folder", d + "/real", {}, "not a regular file"},
        {"hard link", d + "/real/second.ini",
         [&] {
             fs::create_hard_link(dir_ / "real" / "ZM.ini", dir_ / "real" / "second.ini");
             return true;
         },
         "hard link"},
        {"missing", d + "/real/none.ini", {}, "does not exist"},
        {"4,000 bytes", "/" + std::string(3999, 'a'), {}, "too long"},
        {"too long once escaped", d + "/" + std::string(60, '-'), {}, "too long"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.setUp && !c.setUp()) {
            std::cout << "[ SKIPPED  ] " << c.what << ": needs root\n";
            continue;
        }
        ServedCheck helper;
        EXPECT_FALSE(helper.pair->Client().SetBootApply(true, c.path));
        EXPECT_EQ(helper.pair->Close(), 1u);
        EXPECT_NE(helper.pair->Log().find(c.why), std::string::npos) << helper.pair->Log();
        EXPECT_TRUE(helper.service.calls.empty());
    }
}

TEST_F(HelperBootApply, TheOwnFileIsSwitchedOnAndOffUnderTheNameItWasCheckedUnder) {
    const std::string own = (dir_ / "real" / "ZM.ini").string();
    ServedCheck helper;
    EXPECT_TRUE(helper.pair->Client().SetBootApply(true, own));
    EXPECT_TRUE(helper.pair->Client().SetBootApply(false, own));
    EXPECT_EQ(helper.pair->Close(), 0u) << helper.pair->Log();
    EXPECT_EQ(helper.service.calls, (std::vector<std::string>{"enable " + own, "disable " + own}));
    EXPECT_NE(helper.pair->Log().find("enabled " + os::BootApplyUnit(own)), std::string::npos)
        << helper.pair->Log();
}

// Switching off is refused for another user's file (that user's boot service stays on) but
// allowed for an own file that others may write (the safe direction).
TEST_F(HelperBootApply, DisableOnlyForTheCallersOwnFile) {
    if (::getuid() != 0) GTEST_SKIP() << "giving a file away needs root";
    const fs::path theirs = dir_ / "real" / "theirs.ini";
    const fs::path shared = dir_ / "real" / "shared.ini";
    WriteFile(theirs);
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    WriteFile(shared, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_write);
    ServedCheck helper;
    EXPECT_FALSE(helper.pair->Client().SetBootApply(false, theirs.string()));
    EXPECT_TRUE(helper.pair->Client().SetBootApply(false, shared.string()));
    EXPECT_EQ(helper.pair->Close(), 1u);
    EXPECT_NE(helper.pair->Log().find("refused BootApply: the settings file belongs to another"),
              std::string::npos)
        << helper.pair->Log();
    EXPECT_EQ(helper.service.calls, (std::vector<std::string>{"disable " + shared.string()}));
}

}  // namespace
}  // namespace zm::hw
