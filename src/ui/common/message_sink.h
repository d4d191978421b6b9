// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the windows send the messages the user must see. The application shows them as modal
// message boxes; tests put a recorder in its place.

#include <vector>

#include "startup/messages.h"

class QWidget;

namespace zm::ui {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Shows the message and returns once the user has seen it.
    virtual void Show(const app::Message& message) = 0;
};

// Modal QMessageBox with the message's caption as the box's title: an error icon for
// "ERROR!", a warning icon otherwise.
class MessageBoxSink final : public MessageSink {
public:
    explicit MessageBoxSink(QWidget* parent = nullptr) : parent_(parent) {}
    void Show(const app::Message& message) override;

private:
    QWidget* parent_;
};

// Keeps every message, shows nothing.
class RecordingMessageSink final : public MessageSink {
public:
    void Show(const app::Message& message) override { messages.push_back(message); }
    std::vector<app::Message> messages;
};

}  // namespace zm::ui
