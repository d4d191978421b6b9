#include "app/backend_selection.h"

#include <exception>

#include "os/clock.h"
#include "sim/simulated_machine.h"

#ifdef _WIN32
#include "hw/backends/winring0/winring0_host.h"
#else
#include "hw/backends/linux/linux_host.h"
#endif

namespace zm::app {
namespace {

BackendChoice SimulatedBackend(const std::string& machine, Pace pace) {
    BackendChoice choice;
    try {
        auto clock = std::make_shared<os::VirtualClock>(pace == Pace::RealTime);
        choice.backend = SimulatedMachineBackend(sim::SimulatedMachine::Load(machine, clock));
    } catch (const std::exception& error) {
        choice.error = error.what();
    }
    return choice;
}

// This machine's own hardware, through the backend of the platform the program was built for.
BackendChoice HostBackend() {
#ifdef _WIN32
    using Host = hw::WinRing0Host;
    auto makeHost = &hw::MakeWinRing0Host;
#else
    using Host = hw::LinuxHost;
    auto makeHost = &hw::MakeLinuxHost;
#endif
    struct HostBundle {
        std::shared_ptr<Host> host;
        os::SteadyClock clock;
    };
    BackendChoice choice;
    try {
        auto bundle = std::make_shared<HostBundle>();
        bundle->host = makeHost();
        Backend& b = choice.backend;
        b.library = bundle->host.get();
        b.files = bundle->host.get();
        b.cpuid = bundle->host.get();
        b.system = bundle->host.get();
        b.clock = &bundle->clock;
        b.description = "this machine";
        b.owner = std::move(bundle);
    } catch (const std::exception& error) {
        choice.error = error.what();
    }
    return choice;
}

}  // namespace

Backend SimulatedMachineBackend(std::shared_ptr<sim::SimulatedMachine> machine) {
    Backend b;
    b.library = machine.get();
    b.files = machine.get();
    b.cpuid = machine.get();
    b.system = machine.get();
    b.clock = machine->Clock().get();  // the machine keeps its clock alive
    b.description = "simulated machine " + machine->Name();
    b.owner = std::move(machine);
    return b;
}

BackendChoice SelectBackend(const std::string& machine, Pace pace) {
    return machine.empty() ? HostBackend() : SimulatedBackend(machine, pace);
}

std::string ListMachinesText() {
    std::string text;
    for (const sim::SimulatedMachine::ProfileInfo& info : sim::SimulatedMachine::ShippedProfiles()) {
        std::string name = info.name;
        if (name.size() < 24) name.append(24 - name.size(), ' ');
        text += name + " " + info.description + "\n";
    }
    return text;
}

}  // namespace zm::app
