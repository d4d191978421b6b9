// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/cpu/frequency_binder.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMetaObject>
#include <QPalette>
#include <QSignalBlocker>

#include "ui/common/qt_text.h"

namespace zm::cpu::gui {
namespace {

using ui::Text;

void SetText(QLabel* label, const std::string& text) {
    if (label) label->setText(Text(text));
}

}  // namespace

ClockMeasuringThread::Dispatcher FrequencyBinder::QueuedDispatcher(QObject* context) {
    return [context](ClockMeasuringThread::Task task) {
        QMetaObject::invokeMethod(context, std::move(task), Qt::QueuedConnection);
    };
}

FrequencyBinder::FrequencyBinder(FrequencyWidgets widgets, CpuClocks& clocks, Warn warn,
                                 QObject* parent)
    : QObject(parent), w_(widgets), warn_(std::move(warn)), clocks_(clocks) {
    if (w_.eist) connect(w_.eist, &QCheckBox::clicked, this, &FrequencyBinder::EISTClick);
    if (w_.turbo) connect(w_.turbo, &QCheckBox::clicked, this, &FrequencyBinder::turboClick);
    if (w_.c1e) connect(w_.c1e, &QCheckBox::clicked, this, &FrequencyBinder::C1EClick);
    if (w_.coreMultiplierList) {
        connect(w_.coreMultiplierList, qOverload<int>(&QComboBox::activated), this,
                &FrequencyBinder::CoreMultiplierListChanged);
        // The list's popup shows when it is dropped down, by mouse or keyboard.
        coreMultiplierPopup_ = w_.coreMultiplierList->view()->parentWidget();
        if (coreMultiplierPopup_) coreMultiplierPopup_->installEventFilter(this);
    }
}

bool FrequencyBinder::eventFilter(QObject* watched, QEvent* event) {
    if (watched == coreMultiplierPopup_ && event->type() == QEvent::Show)
        CoreMultiplierListOpened();
    return QObject::eventFilter(watched, event);
}

void FrequencyBinder::ShowPass(const PassOutput& out) {
    SetText(w_.coreMultiplier, out.texts.coreMultiplier);
    SetText(w_.bclk, out.texts.bclk);
    SetText(w_.cores, out.texts.cores);
    SetText(w_.uncore, out.texts.uncore);
    SetText(w_.link, out.texts.ht);
    SetText(w_.ram, out.texts.ram);
    if (out.coreMultiplierItem && w_.coreMultiplierList && !clocks_.State().Held(0) &&
        *out.coreMultiplierItem < w_.coreMultiplierList->count()) {
        const QSignalBlocker blocker(w_.coreMultiplierList);
        w_.coreMultiplierList->setCurrentIndex(*out.coreMultiplierItem);
    }
    if (out.cpuSettings && cpuSettingsSink_) cpuSettingsSink_(*out.cpuSettings);
}

bool FrequencyBinder::ApplyCoreMultiplier() {
    const int selected = w_.coreMultiplierList ? w_.coreMultiplierList->currentIndex() : -1;
    return clocks_.ApplyCoreMultiplier(selected);
}

void FrequencyBinder::EISTClick(bool checked) {
    clocks_.EistClick(checked);
}
void FrequencyBinder::turboClick(bool checked) {
    clocks_.TurboClick(checked);
}
void FrequencyBinder::C1EClick(bool checked) {
    clocks_.C1eClick(checked);
}
void FrequencyBinder::CoreMultiplierListOpened() {
    clocks_.CoreMultiplierListOpened();
}

void FrequencyBinder::CoreMultiplierListChanged(int /*index*/) {
    const bool eistChecked = w_.eist && w_.eist->isChecked();
    if (clocks_.CoreMultiplierListChanged(eistChecked) && warn_)
        warn_(kEistNeededWarning, kWarningCaption);
    if (w_.coreMultiplierList) {
        // The system window colour is the background of edit fields (white by default).
        const QColor window = QGuiApplication::palette().color(QPalette::Base);
        QPalette palette = w_.coreMultiplierList->palette();
        palette.setColor(QPalette::Base, window);
        palette.setColor(QPalette::Button, window);
        palette.setColor(QPalette::Text, Qt::black);
        palette.setColor(QPalette::ButtonText, Qt::black);
        w_.coreMultiplierList->setPalette(palette);
    }
}

}  // namespace zm::cpu::gui
