// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for a simulated machine's profile and the report made on it: any JSON must
// either be refused with a profile error or give a machine whose start-up and report finish
// without crashing, hanging or reading without bound (the report is what --machine FILE
// --report prints, so every byte of the profile reaches the code a user's file reaches).
//
// Input: the profile text; its length's lowest bit picks the JSON report over the text one.
// Files the profile names are looked up in the shipped machines folder.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "os/clock.h"
#include "report/run_report.h"
#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"
#include "startup/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zm;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::shared_ptr<sim::SimulatedMachine> machine;
    try {
        machine = sim::SimulatedMachine::FromProfileText(text, "fuzz.json",
                                                         std::make_shared<os::VirtualClock>(false));
    } catch (const sim::ProfileError&) {
        return 0;  // refused with its reason: what a bad profile must get
    }
    app::Backend backend = app::SimulatedMachineBackend(machine);
    app::CommandLine line;
    line.mode = app::RunMode::Report;
    line.json = (size & 1) != 0;
    std::ostringstream out, err;
    app::Session session(backend, app::SetupFor(line, ""));
    app::RunReport(session, out, err);  // no settings file: nothing is written
    return 0;
}
