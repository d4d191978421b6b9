#include "app/backend_selection.h"

#include <exception>

#include "sim/simulated_machine.h"

namespace zm::app {
namespace {

BackendChoice SimulatedBackend(const std::string& machine) {
    BackendChoice choice;
    try {
        choice.backend = SimulatedMachineBackend(sim::SimulatedMachine::Load(machine));
    } catch (const std::exception& error) {
        choice.error = error.what();
    }
    return choice;
}

BackendChoice HostBackend() {
    BackendChoice choice;
    choice.error = "this build has no backend for the real hardware; use --machine NAME "
                   "(see --list-machines)";
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

BackendChoice SelectBackend(const std::string& machine) {
    return machine.empty() ? HostBackend() : SimulatedBackend(machine);
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
