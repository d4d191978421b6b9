#include "settings/gui/tform7.h"

#include <QCheckBox>
#include <QEvent>
#include <QFont>
#include <QMessageBox>
#include <QPushButton>

#include "settings/startup_config.h"
#include "ui/widgets.h"

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

TForm7::TForm7(StartupConfigSetup setup, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint),
      setup_(std::move(setup)),
      settings_(setup_.settingsPath) {
    if (!setup_.autostart) setup_.autostart = os::HostAutostartEntry();
    if (!setup_.confirm) setup_.confirm = AskWithMessageBox;
    setObjectName(QStringLiteral("TForm7"));
    setWindowTitle(QStringLiteral("StartUp configuration"));
    setFixedSize(295, 128);
    // The 8-point dialog font the fixed 281-pixel captions were laid out for.
    QFont dialogFont = font();
    dialogFont.setPointSize(8);
    setFont(dialogFont);

    // Made in tab order: Quit, CheckBox2, CheckBox3, Apply, CheckBox1.
    Quit = MakeButton(this, "Quit", {216, 96, 75, 25});
    CheckBox2 = ui::MakeCheck(this, "CheckBox2", "Add Zentrimo in the Systray at next boot",
                              {8, 40, 281, 17});
    CheckBox3 = ui::MakeCheck(this, "CheckBox3", "Let Monitoring  running  when SysTray is enabled",
                              {8, 64, 281, 17});
    CheckBox3->setEnabled(false);
    Apply = MakeButton(this, "Apply", {136, 96, 75, 25});
    CheckBox1 =
        ui::MakeCheck(this, "CheckBox1", "Save these timings and apply at next boot of Windows",
                      {8, 16, 281, 17});

    // The captions were laid out for a narrower face than most desktops have: the font steps
    // down until every caption fits its fixed 281 pixels.
    auto fits = [this] {
        for (const QCheckBox* box : {CheckBox1, CheckBox2, CheckBox3})
            if (box->sizeHint().width() > box->width()) return false;
        return true;
    };
    while (!fits() && dialogFont.pointSizeF() > 6.0) {
        dialogFont.setPointSizeF(dialogFont.pointSizeF() - 0.5);
        setFont(dialogFont);
    }

    connect(CheckBox2, &QCheckBox::clicked, this, &TForm7::CheckBox2Click);
    connect(Apply, &QPushButton::clicked, this, &TForm7::ApplyClick);
    connect(Quit, &QPushButton::clicked, this, &TForm7::QuitClick);
}

TForm7::~TForm7() = default;

bool TForm7::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return QWidget::event(event);
}

void TForm7::FormActivate() {
    // Only the checks come from the file; whether CheckBox3 is usable is left as it is.
    const BootSwitches switches = ReadBootSwitches(settings_);
    CheckBox1->setChecked(switches.applyTimings);
    CheckBox2->setChecked(switches.startInTray);
    CheckBox3->setChecked(switches.monitorInTray);
}

void TForm7::CheckBox2Click() {
    if (CheckBox2->isChecked()) return;
    CheckBox3->setChecked(false);
    CheckBox3->setEnabled(false);
}

void TForm7::ApplyClick() {
    BootSwitches boxes;
    boxes.applyTimings = CheckBox1->isChecked();
    boxes.startInTray = CheckBox2->isChecked();
    boxes.monitorInTray = CheckBox3->isChecked();
    StartupApplyHooks hooks;
    hooks.confirm = [this] { return setup_.confirm(this); };
    hooks.writeTimingSet = setup_.writeTimingSet;
    ApplyStartupConfiguration(settings_, boxes, *setup_.autostart, setup_.launch, hooks);
}

void TForm7::QuitClick() {
    hide();
}

}  // namespace zm::settings::gui
