// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window side of the boot-apply record (settings/boot_apply_record.h): once the stored set
// was written at start, a one-second timer asks the clock whether the program has run a minute
// since, and clears the record then. It stops itself afterwards.

#include <QObject>
#include <string>

#include "os/clock.h"
#include "settings/boot_apply_record.h"

class QTimer;

namespace zm::settings::gui {

class BootApplyTimer : public QObject {
    Q_OBJECT

public:
    // Starts counting now, by `clock`, which must outlive this object.
    BootApplyTimer(std::string settingsPath, os::Clock& clock, QObject* parent = nullptr);

    bool Cleared() const { return watch_.Cleared(); }
    QTimer* Timer() const { return timer_; }
    // The timer's tick.
    void Tick();

private:
    os::Clock& clock_;
    BootApplyWatch watch_;
    QTimer* timer_ = nullptr;
};

}  // namespace zm::settings::gui
