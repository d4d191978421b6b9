// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file's names as stored files hold them: every value the program keeps, written
// through the typed accessors, lands under the section and key earlier files used, and reads
// back through them.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <iterator>
#include <string>

#include "support/scratch_folder.h"

namespace zm::settings {
namespace {

TEST(SettingsNames, EveryValueIsStoredUnderItsKnownSectionAndKey) {
    zm::testing::ScratchFolder dir("zm-settings-names");
    const auto path = dir / "ZM.ini";
    Settings s(path);
    s.SetApplyStoredAtStart(true);
    s.SetStartInTray(false);
    s.SetMonitorInTray(true);
    s.SetBootApplyUnderWay(true);
    s.SetStoredKey(StoredSetFamily::K10, 27, 1, 5);
    s.SetStoredKey(StoredSetFamily::Intel, 2, 2, -1);
    MachineIdentity id{"K10-DDR3 unganged", "AB", "00100F42", {}};
    id.modules[5] = "0B";
    s.SetStoredIdentity(StoredSetFamily::K10, id);
    for (auto [which, value] : {std::pair{SmbiosCacheAddress::Table, 0xF0450u},
                                {SmbiosCacheAddress::BaseboardStrings, 0xF0500u},
                                {SmbiosCacheAddress::FirstMemoryDevice, 0xF0600u},
                                {SmbiosCacheAddress::MemoryDeviceHeader, 0x00221100u},
                                {SmbiosCacheAddress::EntryPoint, 0xF0010u}})
        s.SetSmbiosCache(which, value);
    s.SetSmbiosBoardVendor("Board Co");
    s.SetTjMaxIndex(3);
    s.SetMonitorForm({800, 5000, 120, 70});

    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(text,
              "[HL]\nAN=1\nST=0\nSTM=1\nANRUN=1\n"
              "[HLK10]\n27B=5\nController=K10-DDR3 unganged\nChannels=AB\nProcessor=00100F42\n"
              "Module1=\nModule2=\nModule3=\nModule4=\nModule5=\nModule6=0B\n"
              "[HLNHM]\n2C=-1\n"
              "[HL965]\nDMI5=000F0450\nDMI1=000F0500\nDMI3=000F0600\nDMI4=00221100\n"
              "DMI6=000F0010\nDMI2=Board Co\n"
              "[TJMax]\nCII=3\n"
              "[FormState]\nWidthSize=800\nGFSize=5000\nFormLeft=120\nFormTop=70\n");

    const Settings again(path);
    EXPECT_TRUE(again.ApplyStoredAtStart() && again.MonitorInTray() && again.BootApplyUnderWay());
    EXPECT_TRUE(again.HideAtBoot()) << "the apply switch alone hides the window too";
    EXPECT_EQ(again.StoredKey(StoredSetFamily::K10, 27, 1, 0), 5);
    EXPECT_EQ(again.StoredIdentity(StoredSetFamily::K10), id);
    EXPECT_EQ(again.SmbiosCache(SmbiosCacheAddress::MemoryDeviceHeader), 0x00221100u);
    EXPECT_EQ(again.SmbiosBoardVendor(), "Board Co");
    EXPECT_EQ(again.TjMaxIndex(10), 3);
    const MonitorFormState form = again.MonitorForm();
    EXPECT_EQ((std::array{form.width, form.gradient, form.left, form.top}),
              (std::array{800, 5000, 120, 70}));
}

}  // namespace
}  // namespace zm::settings
