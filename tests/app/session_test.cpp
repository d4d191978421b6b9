// SPDX-License-Identifier: GPL-3.0-or-later
// The application session: the threads stop before the hardware library closes, and a second
// start (the windows' helpers start the session they are given) applies no stored set again.
#include "startup/session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hw/backends/port_io/port_operations.h"
#include "settings/boot_apply_record.h"
#include "settings/settings.h"
#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"
#include "support/forwarding_library.h"
#include "support/scratch_folder.h"

namespace zm::app {
namespace {

// The simulated machine, with the moment its library closes written down.
class ClosingWatched final : public testing::ForwardingLibrary {
public:
    ClosingWatched(hw::HardwareLibrary& inner, std::function<void()> onClose)
        : ForwardingLibrary(inner), onClose_(std::move(onClose)) {}
    void DeinitializeDll() override {
        onClose_();
        inner_.DeinitializeDll();
    }

private:
    std::function<void()> onClose_;
};

TEST(Session, ThreadsStopBeforeTheLibraryCloses) {
    auto machine = sim::SimulatedMachine::Load("k10-am3-ddr3");
    Backend backend = SimulatedMachineBackend(machine);
    std::vector<std::string> order;
    Session* running = nullptr;
    ClosingWatched library(*machine, [&] {
        order.push_back(running->Clocks().Thread().Running() ? "closed, clocks measuring"
                                                             : "closed");
    });
    hw::PortOperations operations(library);
    backend.operations = &operations;
    {
        Session session(backend, SetupFor(CommandLine{}, ""));  // the windows' run
        running = &session;
        session.AddStopStep([&] { order.push_back("monitor stopped"); });
        session.Start();
        ASSERT_FALSE(session.Refused());
        ASSERT_TRUE(session.Clocks().Thread().Running());
        // Ended by the window's Exit, then again as the program leaves.
        session.End();
        EXPECT_EQ(order, (std::vector<std::string>{"monitor stopped", "closed"}));
    }
    EXPECT_EQ(order.size(), 2u);
}

TEST(Session, SecondStartAppliesNoStoredSetAgain) {
    zm::testing::ScratchFolder dir("zm-session");
    const std::string settings = (dir / "ZM.ini").string();
    auto machine = sim::SimulatedMachine::Load("x58-bloomfield");
    {
        // The StartUp window's save: the timings shown, bound to this machine.
        Session first(SimulatedMachineBackend(machine), SetupFor(CommandLine{}, settings));
        first.Start();
        settings::Settings file(settings);
        first.WriteStoredSet(file);
    }
    ASSERT_TRUE(settings::Settings(settings).ApplyStoredAtStart());

    Session session(SimulatedMachineBackend(machine), SetupFor(CommandLine{}, settings));
    session.Start();
    ASSERT_TRUE(session.Startup().bootApplyRecorded);
    const std::size_t writes = machine->Writes().size();
    session.Start();
    EXPECT_EQ(machine->Writes().size(), writes);
    // A second apply would find the first one's record and switch the apply at start off.
    EXPECT_TRUE(settings::Settings(settings).ApplyStoredAtStart());
    for (const Message& message : session.Startup().messages)
        EXPECT_EQ(message.text.find(settings::kBootApplyInterruptedText), std::string::npos);
}

}  // namespace
}  // namespace zm::app
