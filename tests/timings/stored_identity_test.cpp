// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a stored timing set belongs to the machine: the identity the StartUp window stores
// beside it, and for a file without one (an older program's) the kind and channels its keys
// name.
#include "timings/stored/stored_identity.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace zm::timings {
namespace {
namespace fs = std::filesystem;

TEST(StoredIdentity, SetIsWrittenOnlyIntoTheMachineItWasTakenFrom) {
    const fs::path path =
        fs::temp_directory_path() / ("zm-identity-" + std::to_string(::getpid()) + ".ini");
    TimingModel uncore;
    uncore.kind = ControllerKind::Uncore;
    TimingModel hostBridge;
    hostBridge.kind = ControllerKind::HostBridge;
    TimingModel ganged;
    ganged.kind = ControllerKind::K10;
    ganged.k10Mode = K10Mode::Ddr3;
    ganged.ganged = true;
    const ChannelFlags abc{true, true, true}, ab{true, true, false};

    MachineIdentity machine;
    machine.controller = "Uncore";
    machine.channels = "ABC";
    machine.processor = "000106A5";
    machine.modules = {"0B:0180:41:01", "", "0B:0180:41:02", "", "0B:0180:41:03", ""};
    const std::string stored =
        "[HLNHM]\n2A=1\nController=Uncore\nChannels=ABC\nProcessor=000106A5\n"
        "Module1=0B:0180:41:01\nModule3=0B:0180:41:02\nModule5=0B:0180:41:03\n";

    struct Case {
        const char* what;
        std::string file;
        const TimingModel& model;
        ChannelFlags present;
        StoredSetCheck expected;
    };
    const Case cases[] = {
        {"same machine", stored, uncore, abc, StoredSetCheck::Applies},
        {"other controller kind", "[HLNHM]\nController=HostBridge\n", uncore, abc,
         StoredSetCheck::OtherController},
        {"other channels", "[HLNHM]\nController=Uncore\nChannels=AB\n", uncore, abc,
         StoredSetCheck::OtherChannels},
        {"other processor", "[HLNHM]\nController=Uncore\nChannels=ABC\nProcessor=000106A4\n",
         uncore, abc, StoredSetCheck::OtherProcessor},
        {"a module swapped",
         "[HLNHM]\nController=Uncore\nChannels=ABC\nProcessor=000106A5\n"
         "Module1=0B:0180:41:01\nModule3=0B:0180:41:09\n"
         "Module5=0B:0180:41:03\n",
         uncore, abc, StoredSetCheck::OtherModules},
        {"a module added", stored + "Module2=0B:0180:41:04\n", uncore, abc,
         StoredSetCheck::OtherModules},
        // Files without identity: an older program's.
        {"keys of every active channel", "[HLNHM]\n2A=1\n5A=0\n2B=1\n2C=1\n", uncore, abc,
         StoredSetCheck::Applies},
        {"keys of fewer channels", "[HLNHM]\n2A=1\n5A=0\n2B=1\n", uncore, abc,
         StoredSetCheck::OtherChannels},
        {"uncore keys on a host bridge", "[HLNHM]\n2A=1\n5A=0\n2B=1\n", hostBridge, ab,
         StoredSetCheck::OtherController},
        {"keys that name no kind", "[HLNHM]\n2A=1\n2B=1\n", hostBridge, ab,
         StoredSetCheck::OtherController},
        {"host bridge keys", "[HLNHM]\n2A=1\n28A=0\n2B=1\n28B=0\n", hostBridge, ab,
         StoredSetCheck::Applies},
        {"DCT1 keys on a ganged pair", "[HLK10]\n1A=1\n1B=1\n", ganged, ab,
         StoredSetCheck::OtherChannels},
        {"DCT0 keys on a ganged pair", "[HLK10]\n1A=1\n", ganged, ab, StoredSetCheck::Applies},
        {"no set", "[HLK10]\n1A=1\n[HL]\nAN=1\n", uncore, abc, StoredSetCheck::NoSet},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.file;
        MachineIdentity now = machine;
        now.controller = ControllerIdentity(c.model);
        now.channels = ChannelsIdentity(StoredChannels(c.model, c.present));
        EXPECT_EQ(CheckStoredSet(settings::Settings(path), c.model, c.present, now), c.expected);
    }
    fs::remove(path);
    EXPECT_EQ(StoredSetRefusal(StoredSetCheck::OtherModules),
              "The stored timings were taken with other memory modules and were not applied. "
              "Store the current ones with StartUp.");
}

}  // namespace
}  // namespace zm::timings
