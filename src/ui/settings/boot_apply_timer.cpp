// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/settings/boot_apply_timer.h"

#include <QTimer>

namespace zm::settings::gui {

BootApplyTimer::BootApplyTimer(std::string settingsPath, os::Clock& clock, QObject* parent)
    : QObject(parent), clock_(clock), watch_(std::move(settingsPath), clock.TickCount()) {
    timer_ = new QTimer(this);
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &BootApplyTimer::Tick);
    timer_->start();
}

void BootApplyTimer::Tick() {
    if (watch_.Tick(clock_.TickCount())) timer_->stop();
}

}  // namespace zm::settings::gui
