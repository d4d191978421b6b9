// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the main window's context menu and the notification-area menu offer for keeping and
// sharing what the program shows: the report (the same renderings as --report) to the clipboard
// or a file, and a picture of the windows.

#include <QImage>
#include <QObject>
#include <functional>
#include <string>

class QAction;
class QWidget;

namespace zm::ui {

class MainWindow;

// The report of the machine the window runs on, as --report prints it: the start-up's
// findings, the timings the controller holds now (a drop-down changed without Apply is not in
// it), the clocks and switches as the window shows them, and every module's SPD read again.
std::string CurrentReport(MainWindow& window, bool json);

// The main window with the "Others Timings" group shown (the compact layout is expanded for
// the picture and put back), and the SPD window to its right when that is open.
QImage WindowsPicture(MainWindow& window);

class ShareActions : public QObject {
    Q_OBJECT

public:
    // Adds the actions to the window's context menu; the notification-area menu adds them too.
    explicit ShareActions(MainWindow& window);

    QAction* copyReport = nullptr;   // "Copy report"
    QAction* saveReport = nullptr;   // "Save report…"
    QAction* savePicture = nullptr;  // "Save picture…"

    // Asks for the file to write (caption, suggested name, filter); a save dialog unless
    // replaced (tests). An empty answer writes nothing.
    std::function<QString(const QString&, const QString&, const QString&)> chooseFile;

public slots:
    void CopyReportClick();
    void SaveReportClick();
    void SavePictureClick();

public:
    // JSON for a name ending in ".json", text otherwise. False (the user told why) when the
    // file could not be written.
    bool SaveReport(const QString& file);
    // A PNG file, and the same picture on the clipboard.
    bool SavePicture(const QString& file);

private:
    bool Usable() const;
    void Tell(const QString& text);

    MainWindow& window_;
};

}  // namespace zm::ui
