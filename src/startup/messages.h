// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A message the user must see: a modal box in the windows, a line on stderr in the report.

#include <string>
#include <vector>

namespace zm::app {

inline constexpr const char* kCaptionError = "ERROR!";
inline constexpr const char* kCaptionWarning = "WARNING!";

struct Message {
    std::string caption;  // "ERROR!" or "WARNING!"
    std::string text;     // lines separated by CR LF where there are several
    bool operator==(const Message&) const = default;
};

using Messages = std::vector<Message>;

}  // namespace zm::app
