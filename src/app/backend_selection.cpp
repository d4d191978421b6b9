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
BackendChoice HostBackend(HostWrites writes) {
#ifdef _WIN32
    // WinRing0 has no read-only form: the report's hardware access drops every write itself.
    using Host = hw::WinRing0Host;
    (void)writes;
    auto makeHost = [] { return hw::MakeWinRing0Host(); };
#else
    using Host = hw::LinuxHost;
    auto makeHost = [writes] {
        return hw::MakeLinuxHost(writes == HostWrites::ReadOnly ? hw::DeviceNodes::ReadOnly
                                                                : hw::DeviceNodes::ReadWrite);
    };
#endif
    struct HostBundle {
        std::shared_ptr<Host> host;
        os::SteadyClock clock;
        std::unique_ptr<os::DesktopServices> desktop = os::MakeHostDesktopServices();
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
#ifdef _WIN32
        b.clock = bundle->host.get();  // GetTickCount and Sleep (a stand-in library's own time)
#else
        b.clock = &bundle->clock;
#endif
        b.desktop = bundle->desktop.get();
        b.description = "this machine";
        b.owner = std::move(bundle);
    } catch (const std::exception& error) {
        choice.error = error.what();
    }
    return choice;
}

}  // namespace

Backend SimulatedMachineBackend(std::shared_ptr<sim::SimulatedMachine> machine) {
    struct SimulatedBundle {
        std::shared_ptr<sim::SimulatedMachine> machine;
        os::SimulatedDesktopServices desktop;  // a restart must never reach the host
    };
    auto bundle = std::make_shared<SimulatedBundle>();
    bundle->machine = std::move(machine);
    sim::SimulatedMachine* m = bundle->machine.get();
    Backend b;
    b.library = m;
    b.files = m;
    b.cpuid = m;
    b.system = m;
    b.clock = m->Clock().get();  // the machine keeps its clock alive
    b.desktop = &bundle->desktop;
    b.description = "simulated machine " + m->Name();
    b.owner = std::move(bundle);
    return b;
}

BackendChoice SelectBackend(const std::string& machine, Pace pace, HostWrites writes) {
    return machine.empty() ? HostBackend(writes) : SimulatedBackend(machine, pace);
}

std::string ListMachinesText() {
    std::string text;
    for (const sim::SimulatedMachine::ProfileInfo& info :
         sim::SimulatedMachine::ShippedProfiles()) {
        std::string name = info.name;
        if (name.size() < 24) name.append(24 - name.size(), ' ');
        text += name + " " + info.description + "\n";
    }
    return text;
}

}  // namespace zm::app
