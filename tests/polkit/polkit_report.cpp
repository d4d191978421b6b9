// SPDX-License-Identifier: GPL-3.0-or-later
// zm_polkit_report PROFILE SETTINGS [HELPER]: the JSON report of the simulated machine PROFILE,
// read directly, or, with HELPER, through that helper started by the real pkexec exactly as the
// program starts it for a user (HelperBackend, the read-only helper). The processor's CPUID and
// the system facts stay the window's own in both, as in the program, and come from the profile.
// Through the helper the window measures with the host's clock, as the program does, while the
// helper's machine counts time-stamp ticks on the host's clock too. Exit status: the report's.
#include <iostream>
#include <memory>
#include <string>
#include <utility>

#include "helper/helper_client.h"
#include "report/run_report.h"
#include "startup/backend_selection.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::cerr << "usage: zm_polkit_report PROFILE SETTINGS [HELPER]\n";
        return 2;
    }
    using namespace zm::app;
    BackendChoice direct = SelectBackend(argv[1], Pace::RealTime);
    if (!direct.error.empty()) {
        std::cerr << direct.error << "\n";
        return 2;
    }
    Backend backend = direct.backend;
    BackendChoice served;
    if (argc == 4) {
        served = HelperBackend({"pkexec", argv[3], zm::hw::helper::kReadOnlyArgument});
        backend.operations = served.backend.operations;
        backend.machine = nullptr;
        backend.files = served.backend.files;
        backend.notes = served.backend.notes;
        backend.clock = served.backend.clock;
        backend.owner = std::make_shared<std::pair<std::shared_ptr<void>, std::shared_ptr<void>>>(
            direct.backend.owner, served.backend.owner);
    }
    CommandLine line;
    line.mode = RunMode::Report;
    line.json = true;
    Session session(backend, SetupFor(line, argv[2]));
    return RunReport(session, std::cout, std::cerr);
}
