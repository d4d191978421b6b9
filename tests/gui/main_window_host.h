// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a main-window test keeps beside the window: the session the window works on, and the
// sink that records its message boxes. The session must outlive every window opened.

#include <memory>
#include <utility>

#include "sim/simulated_machine.h"
#include "startup/backend_selection.h"
#include "startup/session.h"
#include "ui/common/message_sink.h"
#include "ui/main/application.h"
#include "ui/main/main_window.h"

namespace zm::testing {

// The windows' session on the backend, started as the program starts it; `settings` is the
// settings file ("": none). It must outlive every window opened on it.
inline std::unique_ptr<app::Session> WindowSession(app::Backend backend,
                                                   std::string settings = "") {
    auto session = std::make_unique<app::Session>(std::move(backend),
                                                  app::SetupFor(app::CommandLine{}, settings));
    ui::StartSession(*session);
    return session;
}

class MainWindowHost {
protected:
    // The whole start-up on the machine, as at a log-on with no settings file.
    std::unique_ptr<ui::MainWindow> Window(std::shared_ptr<sim::SimulatedMachine> machine) {
        session_ = WindowSession(app::SimulatedMachineBackend(std::move(machine)));
        return std::make_unique<ui::MainWindow>(*session_, sink_);
    }

    std::unique_ptr<app::Session> session_;
    ui::RecordingMessageSink sink_;
};

}  // namespace zm::testing
