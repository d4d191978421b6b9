// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/timings/timing_controls_binder.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPalette>
#include <QPushButton>
#include <QSignalBlocker>
#include <QWidget>

#include "startup/timings_view.h"
#include "timings/model/timing_change.h"
#include "timings/model/value_lists.h"

namespace zm::timings::gui {
namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void SelectQuietly(QComboBox* combo, int index, int itemCount) {
    const QSignalBlocker blocker(combo);
    combo->setCurrentIndex(index >= 0 && index < itemCount ? index : -1);
}

void ShowButtonFace(QComboBox* combo) {
    QPalette palette = combo->palette();
    const QColor face = QApplication::palette(combo).color(QPalette::Button);
    for (QPalette::ColorRole role : {QPalette::Button, QPalette::Base, QPalette::Window}) {
        palette.setColor(role, face);
    }
    combo->setPalette(palette);
}

}  // namespace

TimingControlsBinder::TimingControlsBinder(QWidget* window, TimingSession& session, Hooks hooks)
    : QObject(window),
      window_(window),
      session_(session),
      hooks_(std::move(hooks)),
      timings_(Descriptors(session.model.kind)) {
    for (std::size_t i = 0; i < timings_.size(); ++i) {
        const TimingSlot& slot = kTimingSlots[i];
        const TimingId id = timings_[i].id;
        combos_[i] = window->findChild<QComboBox*>(QString::fromStdString(ComboName(slot)));
        labels_[i] = window->findChild<QLabel*>(Text(slot.labelName));
        if (!combos_[i]) continue;
        ShowMarker(combos_[i], session_.pending[static_cast<std::size_t>(id)]);
        connect(combos_[i], qOverload<int>(&QComboBox::currentIndexChanged), this,
                [this, id](int index) { ComboChange(id, index); });
    }
    channelSelector_ = window->findChild<QComboBox*>("ComboCH");
    if (channelSelector_) {
        connect(channelSelector_, qOverload<int>(&QComboBox::currentIndexChanged), this,
                &TimingControlsBinder::ComboCHChange);
    }
    // The ganged K10 selector is greyed like a button face.
    if (channelSelector_ && session_.selector.buttonFaceBackground) {
        ShowButtonFace(channelSelector_);
    }
    panel5_ = window->findChild<QLabel*>("Panel5");
    apply_ = window->findChild<QPushButton*>("Apply");
    if (apply_) {
        connect(apply_, &QPushButton::clicked, this, &TimingControlsBinder::ApplyClick);
        apply_->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(apply_, &QWidget::customContextMenuRequested, this,
                &TimingControlsBinder::ApplyContextMenu);
    }
    shownChannel_ = ShownChannel(session_.Selection());
}

// As created a drop-down has the button face behind navy text; once changed, the window
// background behind black text. Nothing resets the marker: a changed drop-down keeps the look.
void TimingControlsBinder::ShowMarker(QComboBox* combo, bool pending) {
    // System colours as the style gives them, not as an earlier marker left the palette.
    const QPalette system = QApplication::palette(combo);
    QPalette palette = combo->palette();
    const QColor background = system.color(pending ? QPalette::Base : QPalette::Button);
    const QColor text = pending ? QColor(Qt::black) : QColor(0, 0, 0x80);
    for (QPalette::ColorRole role : {QPalette::Button, QPalette::Base, QPalette::Window}) {
        palette.setColor(role, background);
    }
    for (QPalette::ColorRole role : {QPalette::ButtonText, QPalette::Text, QPalette::WindowText}) {
        palette.setColor(role, text);
    }
    combo->setPalette(palette);
    combo->setProperty("pendingChange", pending);
}

QComboBox* TimingControlsBinder::Combo(TimingId id) const {
    for (std::size_t i = 0; i < timings_.size(); ++i) {
        if (timings_[i].id == id) return combos_[i];
    }
    return nullptr;
}

void TimingControlsBinder::Fill() {
    for (std::size_t i = 0; i < timings_.size(); ++i) {
        if (labels_[i]) labels_[i]->setText(Text(timings_[i].caption));
        QComboBox* combo = combos_[i];
        if (!combo) continue;
        const QSignalBlocker blocker(combo);
        combo->clear();
        for (const std::string& item : session_.lists[static_cast<std::size_t>(timings_[i].id)])
            combo->addItem(Text(item));
        combo->setMaxVisibleItems(16);
    }
    if (session_.groupCaption) {
        for (const char* name : {"GroupBox1", "GroupBox3"}) {
            if (auto* group = window_->findChild<QGroupBox*>(name)) {
                group->setTitle(Text(*session_.groupCaption));
            }
        }
    }
    if (channelSelector_) {
        const QSignalBlocker blocker(channelSelector_);
        channelSelector_->clear();
        for (const ChannelSet set : session_.selector.items)
            channelSelector_->addItem(Text(app::ChannelSetText(set)));
        channelSelector_->setCurrentIndex(session_.selector.selectedItem);
        channelSelector_->setEnabled(session_.selector.enabled);
        if (session_.selector.buttonFaceBackground) ShowButtonFace(channelSelector_);
    }
    if (panel5_) panel5_->setText(Text(session_.selector.panelText));
    ShowChannel(ShownChannel(session_.Selection()));
    RefreshEnabled();
    if (apply_) apply_->setEnabled(session_.applyEnabled);
}

void TimingControlsBinder::ShowChannel(int channel) {
    shownChannel_ = channel;
    for (std::size_t i = 0; i < timings_.size(); ++i) {
        if (!combos_[i]) continue;
        SelectQuietly(combos_[i], DisplayIndex(session_.model, channel, timings_[i].id),
                      combos_[i]->count());
    }
}

void TimingControlsBinder::RefreshEnabled() {
    for (std::size_t i = 0; i < timings_.size(); ++i) {
        if (combos_[i]) combos_[i]->setEnabled(session_.ControlEnabled(timings_[i].id));
    }
}

void TimingControlsBinder::ComboChange(TimingId id, int index) {
    if (index < 0) return;
    session_.Change(id, index);
    if (QComboBox* combo = Combo(id)) ShowMarker(combo, true);
}

void TimingControlsBinder::ComboCHChange(int item) {
    const SelectionOutcome outcome = session_.SelectItem(item);
    if (channelSelector_ && channelSelector_->currentIndex() != outcome.selectedItem) {
        const QSignalBlocker blocker(channelSelector_);
        channelSelector_->setCurrentIndex(outcome.selectedItem);
    }
    RefreshEnabled();
    if (outcome.showChannel) ShowChannel(*outcome.showChannel);
}

void TimingControlsBinder::ApplyClick() {
    if (hooks_.beforeApply) hooks_.beforeApply();
    session_.Apply(hooks_.storedSetActive ? hooks_.storedSetActive() : false);
    ShowReadBack();
}

void TimingControlsBinder::RestoreClick() {
    if (!session_.RestoreOffered()) return;
    session_.Restore();
    ShowReadBack();
}

void TimingControlsBinder::ShowReadBack() {
    ShowChannel(shownChannel_);
    const std::string text = session_.ReadBackText();
    if (!text.empty() && hooks_.message) hooks_.message(std::string(kReadBackCaption), text);
}

void TimingControlsBinder::ApplyContextMenu(const QPoint& at) {
    if (!apply_) return;
    QMenu menu(apply_);
    QAction* restore = menu.addAction(QString::fromUtf8(kRestoreCaption));
    restore->setObjectName(QStringLiteral("RestoreStartUpTimings"));
    restore->setEnabled(session_.RestoreOffered());
    connect(restore, &QAction::triggered, this, &TimingControlsBinder::RestoreClick);
    menu.exec(apply_->mapToGlobal(at));
}

}  // namespace zm::timings::gui
