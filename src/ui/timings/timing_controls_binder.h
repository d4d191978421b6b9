// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Connects the main window's timing controls to a timing session: the timing drop-downs with
// their labels (timing_slots.h), each showing the timing its slot holds on the session's
// controller kind, the channel selector ComboCH, the
// channel-mode panel Panel5, the group captions and the Apply button. Widgets are found by their
// object names, so any window that carries those names can be bound. The handlers only call the
// core; no hardware here.

#include <QObject>
#include <QPointer>
#include <array>
#include <functional>
#include <span>

#include "timings/model/timing_model.h"
#include "timings/session/timing_session.h"
#include "ui/timings/timing_slots.h"

class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

namespace zm::timings::gui {

class TimingControlsBinder : public QObject {
    Q_OBJECT

public:
    struct Hooks {
        // Whether the settings file's stored set is active ("HL"/"AN" = "1"): Apply then
        // rebuilds every channel.
        std::function<bool()> storedSetActive;
        // Runs first on Apply (the pending core-multiplier choice on Intel).
        std::function<void()> beforeApply;
        // Shows a message box (caption, text): the timings a write did not bring into the
        // controller.
        std::function<void(const std::string& caption, const std::string& text)> message;
    };

    // Finds the controls and connects their handlers; gives every drop-down the unchanged
    // marker.
    TimingControlsBinder(QWidget* window, TimingSession& session, Hooks hooks = {});

    // Lists, labels, selector, Panel5, captions, enabled states, the values of the selected
    // channel and Apply's state, as the start-up leaves them.
    void Fill();
    // Every drop-down shows the channel's values; no change handler runs, markers stay.
    void ShowChannel(int channel);

    // The caption of the Apply button's context-menu entry (and the tray menu's).
    static constexpr const char* kRestoreCaption = "Restore start-up timings";
    // Whether Restore is offered now (a register holds something else than at start-up).
    bool RestoreOffered() const { return session_.RestoreOffered(); }

    // The drop-down that shows the timing; nullptr when the kind has no such timing.
    QComboBox* Combo(TimingId id) const;

    // The look of a marker in Qt colours (the window system's colours from the palette).
    static void ShowMarker(QComboBox* combo, bool pending);

public slots:
    void ComboChange(TimingId id, int index);
    void ComboCHChange(int item);
    void ApplyClick();
    // Writes the registers' start-up images back and reads them again.
    void RestoreClick();

private:
    // After a write: the drop-downs show what the controller holds; what did not take is named.
    void ShowReadBack();
    void ApplyContextMenu(const QPoint& at);
    void RefreshEnabled();

    QPointer<QWidget> window_;
    TimingSession& session_;
    Hooks hooks_;
    // In slot order, which is the order of the kind's descriptors.
    std::span<const TimingDescriptor> timings_;
    std::array<QComboBox*, kTimingSlotCount> combos_{};
    std::array<QLabel*, kTimingSlotCount> labels_{};
    QComboBox* channelSelector_ = nullptr;
    QLabel* panel5_ = nullptr;
    QPushButton* apply_ = nullptr;
    int shownChannel_ = kChannelA;
};

}  // namespace zm::timings::gui
