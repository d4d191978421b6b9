// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The timing drop-downs, the channel selector and the channel-mode panel as a timing session
// leaves them after the start-up read.

#include "startup/main_view.h"
#include "timings/session/timing_session.h"

namespace zm::app {

// Fills view.timings (every drop-down's label, list, enabled state, the index it shows for each
// channel that holds memory and the index shown now), view.memory.channelMode and Apply's
// enabled state from the session.
void FillTimingsView(const timings::TimingSession& session, MainView& view);

// The channel selector's text for a channel set ("     A", "  A   B", " A  B  C"), as the window
// shows it and the report prints it. The leading and inner spaces are part of the text.
std::string ChannelSetText(timings::ChannelSet set);

}  // namespace zm::app
