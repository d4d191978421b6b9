// The helper's boot-service action: enabled only for the caller's own settings file, disabled
// for any, and nothing else reaches systemctl.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "hw/helper/boot_apply_request.h"
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

class HelperBootApply : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(dir_ / "ZM.ini") << "[Timings]\n";
        fs::permissions(dir_ / "ZM.ini", fs::perms::owner_read | fs::perms::owner_write);
    }
    zm::testing::ScratchFolder dir_{"zm-boot-apply"};
};

TEST_F(HelperBootApply, OnlyTheCallersOwnPlainFileIsAccepted) {
    const uid_t me = ::getuid();
    const std::string file = (dir_ / "ZM.ini").string();
    fs::create_symlink(dir_ / "ZM.ini", dir_ / "link.ini");
    std::ofstream(dir_ / "shared.ini") << "\n";
    fs::permissions(dir_ / "shared.ini", fs::perms::others_write, fs::perm_options::add);

    EXPECT_EQ(helper::CheckOwnSettingsFile(file, me), "");
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"ZM.ini", "not absolute"},
        {(dir_ / "missing.ini").string(), "does not exist"},
        {(dir_ / "link.ini").string(), "symbolic link"},
        {dir_.string(), "not a regular file"},
        {(dir_ / "shared.ini").string(), "others may write"},
    };
    for (const auto& [path, why] : refused)
        EXPECT_NE(helper::CheckOwnSettingsFile(path, me).find(why), std::string::npos) << path;
    EXPECT_NE(helper::CheckOwnSettingsFile(file, me + 1).find("another user"), std::string::npos);
}

TEST_F(HelperBootApply, TheSwitchReachesTheServiceOnlyPastTheCheck) {
    auto machine = sim::SimulatedMachine::Load("x58-bloomfield");
    FakeService service;
    helper::ServedBackend served{*machine, machine.get(), nullptr};
    served.bootApply = &service;
    served.checkSettingsFile = [](const std::string& path) {
        return path.find("mine") != std::string::npos ? "" : "not the caller's file";
    };
    testing::HelperPair pair(served);
    helper::HelperClient& client = pair.Client();
    EXPECT_TRUE(client.SetBootApply(true, "/home/a/mine.ini"));
    EXPECT_FALSE(client.SetBootApply(true, "/home/b/theirs.ini"));
    EXPECT_FALSE(client.SetBootApply(true, "relative/mine.ini"));
    EXPECT_TRUE(client.SetBootApply(false, "/home/b/theirs.ini")) << "disabling names no file";
    EXPECT_EQ(pair.Close(), 2u);
    EXPECT_EQ(service.calls,
              (std::vector<std::string>{"enable /home/a/mine.ini", "disable /home/b/theirs.ini"}));
    EXPECT_NE(pair.Log().find("zentrimo-apply@home-a-mine.ini.service"), std::string::npos)
        << pair.Log();
}

}  // namespace
}  // namespace zm::hw
