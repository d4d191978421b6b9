// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/backend_selection.h"

#include <exception>

#include "hw/backends/port_io/port_operations.h"
#include "os/clock.h"
#include "sim/simulated_machine.h"

#ifdef _WIN32
#include "hw/backends/winring0/winring0_host.h"
#else
#include <unistd.h>

#include <filesystem>

#include "helper/boot_apply_request.h"
#include "helper/helper_client.h"
#include "hw/backends/linux/linux_host.h"
#include "hw/backends/linux/linux_operations.h"
#endif

namespace zm::app {
namespace {

#ifndef _WIN32
std::vector<std::string> HelperCommand(HostWrites writes) {
    std::error_code ec;
    const std::filesystem::path folder =
        std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
    const std::string helper = HelperPathFor(folder, [](const std::filesystem::path& p) {
        std::error_code missing;
        return std::filesystem::exists(p, missing);
    });
    // A report asks for a helper that opens every device node read-only, so that the kernel
    // itself refuses a write, whatever the program asks.
    if (writes == HostWrites::ReadOnly) return {"pkexec", helper, hw::helper::kReadOnlyArgument};
    return {"pkexec", helper};
}
#endif

}  // namespace

#ifndef _WIN32
std::string HelperPathFor(const std::filesystem::path& executableFolder,
                          const std::function<bool(const std::filesystem::path&)>& exists) {
    const std::filesystem::path installed =
        (executableFolder / ".." / "libexec" / "zentrimo" / hw::helper::kHelperName)
            .lexically_normal();
    if (exists(installed)) return installed.string();
    return (executableFolder / hw::helper::kHelperName).string();
}
#endif

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
    using HostOperations = hw::PortOperations;  // the port sequences over the driver's ports
    (void)writes;
    auto makeHost = [] { return hw::MakeWinRing0Host(); };
#else
    using Host = hw::LinuxHost;
    using HostOperations = hw::LinuxOperations;  // sysfs, /dev/cpu, /dev/i2c-N, /dev/mem
    // As the user, the hardware is reached through the privileged helper; as root (sudo
    // zentrimo) directly.
    if (::geteuid() != 0) return HelperBackend(HelperCommand(writes));
    auto makeHost = [writes] {
        return hw::MakeLinuxHost(writes == HostWrites::ReadOnly ? hw::DeviceNodes::ReadOnly
                                                                : hw::DeviceNodes::ReadWrite);
    };
#endif
    struct HostBundle {
        std::shared_ptr<Host> host;
        std::unique_ptr<HostOperations> operations;
        os::SteadyClock clock;
        std::unique_ptr<os::DesktopServices> desktop = os::MakeHostDesktopServices();
        std::unique_ptr<os::BootApplyService> bootApply = os::MakeHostBootApplyService();
    };
    BackendChoice choice;
    try {
        auto bundle = std::make_shared<HostBundle>();
        bundle->host = makeHost();
        Backend& b = choice.backend;
        bundle->operations = std::make_unique<HostOperations>(*bundle->host);
        b.operations = bundle->operations.get();
        b.files = bundle->host.get();
#ifndef _WIN32
        b.notes = bundle->host.get();
#endif
        b.cpuid = bundle->host.get();
        b.system = bundle->host.get();
#ifdef _WIN32
        b.clock = bundle->host.get();  // GetTickCount and Sleep (a stand-in library's own time)
#else
        b.clock = &bundle->clock;
#endif
        b.desktop = bundle->desktop.get();
        b.bootApply = bundle->bootApply.get();
        b.description = "this machine";
        b.owner = std::move(bundle);
    } catch (const std::exception& error) {
        choice.error = error.what();
    }
    return choice;
}

}  // namespace

#ifndef _WIN32
BackendChoice HelperBackend(const std::vector<std::string>& command) {
    struct HelperBundle {
        std::shared_ptr<hw::helper::HelperClient> client;
        hw::LinuxHost local;  // cpuid and the /proc counters need no rights
        os::SteadyClock clock;
        std::unique_ptr<os::DesktopServices> desktop = os::MakeHostDesktopServices();
        std::unique_ptr<os::BootApplyService> bootApply;
    };
    auto bundle = std::make_shared<HelperBundle>();
    bundle->client = hw::helper::HelperClient::Launch(command);
    // The boot service is switched as root by the helper, which checks the settings file.
    bundle->bootApply = std::make_unique<hw::helper::HelperBootApplyService>(bundle->client);
    BackendChoice choice;
    Backend& b = choice.backend;
    b.operations = bundle->client.get();
    b.files = bundle->client.get();
    b.notes = bundle->client.get();
    b.cpuid = &bundle->local;
    b.system = &bundle->local;
    b.clock = &bundle->clock;
    b.desktop = bundle->desktop.get();
    b.bootApply = bundle->bootApply.get();
    b.description = "this machine";
    b.owner = std::move(bundle);
    return choice;
}
#endif

Backend SimulatedMachineBackend(std::shared_ptr<sim::SimulatedMachine> machine) {
    struct SimulatedBundle {
        std::shared_ptr<sim::SimulatedMachine> machine;
        std::unique_ptr<hw::PortOperations> operations;
        os::SimulatedDesktopServices desktop;  // a restart must never reach the host
    };
    auto bundle = std::make_shared<SimulatedBundle>();
    bundle->machine = std::move(machine);
    sim::SimulatedMachine* m = bundle->machine.get();
    Backend b;
    bundle->operations = std::make_unique<hw::PortOperations>(*m);
    b.operations = bundle->operations.get();
    b.machine = m;
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
