// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a main-window test keeps beside the window: the backend the window holds by reference,
// and the sink that records its message boxes. The backend must outlive every window opened.

#include <memory>
#include <utility>

#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"
#include "ui/common/message_sink.h"
#include "ui/main/main_window.h"

namespace zm::testing {

class MainWindowHost {
protected:
    // The whole start-up on the machine, as at a log-on with no settings file.
    std::unique_ptr<ui::MainWindow> Window(std::shared_ptr<sim::SimulatedMachine> machine) {
        backend_ = app::SimulatedMachineBackend(std::move(machine));
        return std::make_unique<ui::MainWindow>(backend_, "", sink_);
    }

    app::Backend backend_;
    ui::RecordingMessageSink sink_;
};

}  // namespace zm::testing
