// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/settings/startup_window.h"

#include <QCheckBox>
#include <QEvent>
#include <QFont>
#include <QMessageBox>
#include <QPushButton>

#include "settings/startup_config.h"
#include "ui/common/widgets.h"

namespace zm::settings::gui {
namespace {

bool AskWithMessageBox(QWidget* parent) {
    return QMessageBox::warning(
               parent, QString::fromUtf8(kConfirmCaption), QString::fromUtf8(kConfirmText),
               QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel) == QMessageBox::Ok;
}

QPushButton* MakeButton(QWidget* parent, const char* name, QRect place) {
    auto* button = new QPushButton(QString::fromUtf8(name), parent);
    button->setObjectName(QString::fromUtf8(name));
    button->setGeometry(place);
    return button;
}

}  // namespace

StartUpWindow::StartUpWindow(StartupConfigSetup setup, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint),
      setup_(std::move(setup)),
      settings_(setup_.settingsPath) {
    if (!setup_.autostart) setup_.autostart = os::HostAutostartEntry();
    if (!setup_.confirm) setup_.confirm = AskWithMessageBox;
    setObjectName(QStringLiteral("StartUpWindow"));
    setWindowTitle(QStringLiteral("StartUp configuration"));
    setFixedSize(295, 128);
    // The 8-point dialog font the fixed 281-pixel captions were laid out for.
    QFont dialogFont = font();
    dialogFont.setPointSize(8);
    setFont(dialogFont);

    // Made in tab order: Quit, startInTrayBox, startMonitorBox, Apply, applyTimingsBox.
    Quit = MakeButton(this, "Quit", {216, 96, 75, 25});
    startInTrayBox = ui::MakeCheck(this, "startInTrayBox",
                                   "Add Zentrimo in the Systray at next boot", {8, 40, 281, 17});
    startMonitorBox =
        ui::MakeCheck(this, "startMonitorBox", "Let Monitoring  running  when SysTray is enabled",
                      {8, 64, 281, 17});
    startMonitorBox->setEnabled(false);
    Apply = MakeButton(this, "Apply", {136, 96, 75, 25});
    applyTimingsBox =
        ui::MakeCheck(this, "applyTimingsBox",
                      "Save these timings and apply at next boot of Windows", {8, 16, 281, 17});

    // The captions were laid out for a narrower face than most desktops have: the font steps
    // down until every caption fits its fixed 281 pixels.
    auto fits = [this] {
        for (const QCheckBox* box : {applyTimingsBox, startInTrayBox, startMonitorBox})
            if (box->sizeHint().width() > box->width()) return false;
        return true;
    };
    while (!fits() && dialogFont.pointSizeF() > 6.0) {
        dialogFont.setPointSizeF(dialogFont.pointSizeF() - 0.5);
        setFont(dialogFont);
    }

    connect(startInTrayBox, &QCheckBox::clicked, this, &StartUpWindow::StartInTrayClicked);
    connect(Apply, &QPushButton::clicked, this, &StartUpWindow::ApplyClick);
    connect(Quit, &QPushButton::clicked, this, &StartUpWindow::QuitClick);
}

StartUpWindow::~StartUpWindow() = default;

bool StartUpWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return QWidget::event(event);
}

void StartUpWindow::FormActivate() {
    // Only the checks come from the file; whether startMonitorBox is usable is left as it is.
    const BootSwitches switches = ReadBootSwitches(settings_);
    applyTimingsBox->setChecked(switches.applyTimings);
    startInTrayBox->setChecked(switches.startInTray);
    startMonitorBox->setChecked(switches.monitorInTray);
}

void StartUpWindow::StartInTrayClicked() {
    if (startInTrayBox->isChecked()) return;
    startMonitorBox->setChecked(false);
    startMonitorBox->setEnabled(false);
}

void StartUpWindow::ApplyClick() {
    BootSwitches boxes;
    boxes.applyTimings = applyTimingsBox->isChecked();
    boxes.startInTray = startInTrayBox->isChecked();
    boxes.monitorInTray = startMonitorBox->isChecked();
    StartupApplyHooks hooks;
    hooks.confirm = [this] { return setup_.confirm(this); };
    hooks.writeTimingSet = setup_.writeTimingSet;
    hooks.bootService = setup_.bootService;
    const StartupApplyOutcome outcome =
        ApplyStartupConfiguration(settings_, boxes, *setup_.autostart, setup_.launch, hooks);
    if (outcome.bootServiceFailed)
        QMessageBox::warning(
            this, "WARNING!",
            QString::fromUtf8(kBootServiceFailedText.data(), kBootServiceFailedText.size()));
}

void StartUpWindow::QuitClick() {
    hide();
}

}  // namespace zm::settings::gui
