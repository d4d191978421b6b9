// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether the windows can open at all. Without a display the windowing toolkit aborts the
// process with its own message; the program checks first and points at --report instead.

#include <functional>
#include <string>

namespace zm::app {

inline constexpr const char* kNoDisplayMessage =
    "No display found; use --report to print the machine's summary";

// `environment` gives a variable's value ("" when unset). Windows and macOS always have their
// desktop. Elsewhere the windows need an X server ($DISPLAY) or a Wayland compositor
// ($WAYLAND_DISPLAY), unless QT_QPA_PLATFORM names a platform that needs neither (offscreen,
// minimal, vnc, eglfs, linuxfb, ...). With a list of platforms ("wayland;xcb") any usable one
// will do.
bool DisplayAvailable(const std::function<std::string(const char*)>& environment);

// The same for this process's environment.
bool DisplayAvailable();

}  // namespace zm::app
