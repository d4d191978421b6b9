// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/share_actions.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

#include "report/report.h"
#include "spd/spd_report.h"
#include "startup/timings_view.h"
#include "ui/common/message_sink.h"
#include "ui/main/main_window.h"

namespace zm::ui {
namespace {

std::string Shown(const QLabel* panel) {
    return panel->text().toStdString();
}

app::CheckState Shown(const QCheckBox* box) {
    return {box->isChecked(), box->isEnabled()};
}

QString SuggestedFile(const QString& name) {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(name);
}

}  // namespace

std::string CurrentReport(MainWindow& window, bool json) {
    app::Session& run = window.Session();
    const app::StartupResult& result = run.Startup();
    // The clocks as the measuring thread last showed them, the switches as they are set now.
    app::FrequencyView& f = run.View().frequency;
    f.bclk = Shown(window.PanelBclk);
    f.coreMultiplier = Shown(window.PanelCoreMultiplier);
    f.cores = Shown(window.PanelCores);
    f.uncore = Shown(window.PanelUncore);
    f.link = Shown(window.PanelLink);
    f.ram = Shown(window.PanelRam);
    f.eist = Shown(window.CheckBoxEist);
    f.c1e = Shown(window.CheckBoxC1E);
    f.turbo = Shown(window.CheckBoxTurbo);
    f.multiplierIndex = window.coreMultiplierList->currentIndex();
    // The timings the controller holds: its registers read again, the user's unapplied choices
    // kept aside for the drop-downs.
    if (timings::TimingSession* session = run.Timings(); session && session->writer) {
        const timings::TimingModel edited = session->model;
        session->model = session->writer->ReadBack(edited);
        app::FillTimingsView(*session, run.View());
        session->model = edited;
    }
    if (!result.terminationRequested) run.View().spd = spd::ReadAllSlots(run.Hardware());
    const std::string& machine = run.Backend().description;
    return json ? app::RenderReportJson(result, machine) : app::RenderReportText(result, machine);
}

QImage WindowsPicture(MainWindow& window) {
    const bool expand = window.GroupBox3->isHidden();
    if (expand) window.OthersTimingsClick();
    const QPixmap main = window.grab();
    if (expand) window.HideClick();
    QWidget* spdWindow = window.SpdWindow();
    if (!spdWindow || !spdWindow->isVisible()) return main.toImage();
    const QPixmap spd = spdWindow->grab();
    QImage picture(main.width() + spd.width(), std::max(main.height(), spd.height()),
                   QImage::Format_RGB32);
    picture.fill(window.palette().color(QPalette::Window));
    QPainter painter(&picture);
    painter.drawPixmap(0, 0, main);
    painter.drawPixmap(main.width(), 0, spd);
    return picture;
}

ShareActions::ShareActions(MainWindow& window) : QObject(&window), window_(window) {
    setObjectName(QStringLiteral("shareActions"));
    auto make = [this](const char* name, const QString& text, void (ShareActions::*slot)()) {
        auto* action = new QAction(text, this);
        action->setObjectName(QString::fromUtf8(name));
        connect(action, &QAction::triggered, this, slot);
        window_.addAction(action);
        return action;
    };
    copyReport =
        make("copyReportAction", QStringLiteral("Copy report"), &ShareActions::CopyReportClick);
    saveReport =
        make("saveReportAction", QStringLiteral("Save report…"), &ShareActions::SaveReportClick);
    savePicture =
        make("savePictureAction", QStringLiteral("Save picture…"), &ShareActions::SavePictureClick);
    window_.setContextMenuPolicy(Qt::ActionsContextMenu);
    chooseFile = [this](const QString& caption, const QString& suggested, const QString& filter) {
        return QFileDialog::getSaveFileName(&window_, caption, suggested, filter);
    };
}

bool ShareActions::Usable() const {
    // After Exit the hardware is released: there is nothing left to read.
    return !window_.TerminationRequested() && !window_.ShutDownDone();
}

void ShareActions::Tell(const QString& text) {
    window_.Messages().Show({"WARNING!", text.toStdString()});
}

void ShareActions::CopyReportClick() {
    if (!Usable()) return;
    QGuiApplication::clipboard()->setText(QString::fromStdString(CurrentReport(window_, false)));
}

void ShareActions::SaveReportClick() {
    if (!Usable()) return;
    const QString file =
        chooseFile(QStringLiteral("Save report"), SuggestedFile(QStringLiteral("zentrimo.txt")),
                   QStringLiteral("Text (*.txt);;JSON (*.json)"));
    if (!file.isEmpty()) SaveReport(file);
}

void ShareActions::SavePictureClick() {
    if (!Usable()) return;
    const QString file =
        chooseFile(QStringLiteral("Save picture"), SuggestedFile(QStringLiteral("zentrimo.png")),
                   QStringLiteral("PNG pictures (*.png)"));
    if (!file.isEmpty()) SavePicture(file);
}

bool ShareActions::SaveReport(const QString& file) {
    if (!Usable()) return false;
    const bool json = file.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive);
    const std::string report = CurrentReport(window_, json);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(report.data(), static_cast<qint64>(report.size())) !=
            static_cast<qint64>(report.size()) ||
        !out.commit()) {
        Tell(
            QStringLiteral("The report could not be saved to %1: %2").arg(file, out.errorString()));
        return false;
    }
    return true;
}

bool ShareActions::SavePicture(const QString& file) {
    const QImage picture = WindowsPicture(window_);
    QGuiApplication::clipboard()->setImage(picture);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || !picture.save(&out, "PNG") || !out.commit()) {
        Tell(QStringLiteral("The picture could not be saved to %1: %2")
                 .arg(file, out.errorString()));
        return false;
    }
    return true;
}

}  // namespace zm::ui
