// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// --capture: this machine (or a simulated one) written down as a machine profile, so that the
// program can later run on an exact copy of it with --machine FILE. The start-up runs as for
// the report, through a recording layer that learns which PCI functions, MSRs, memory and SPD
// the program reads; those are then read whole. Nothing the start-up reads as timings is
// written, no stored timing set is applied, and whatever the start-up changed to reach the
// SMBus or the controllers is put back as found before the program ends.

#include <iosfwd>
#include <string>
#include <vector>

#include "startup/session.h"

namespace zm::app {

struct CaptureOptions {
    bool keepSerials = false;  // --capture-keep-serials
    std::string date;          // "2026-12-07"; empty: today (UTC)
};

struct CaptureResult {
    std::string profile;              // the profile's JSON text
    std::vector<std::string> missed;  // what could not be read, in plain words
    bool refused = false;             // the start-up refused the machine (as the report would)
    int ExitCode() const { return refused || !missed.empty() ? 1 : 0; }
};

// Runs a session of `setup` (a capture's: SetupFor, no settings file) on `backend` with a
// recording library in front of it: the start-up shows what the program depends on, then the
// capture reads that whole.
CaptureResult CaptureMachine(Backend backend, SessionSetup setup, const CaptureOptions& options);

// Captures and writes the profile to line.captureFile ("-": out); what could not be read goes
// to err. 0: everything was read; 1: the profile was written but lacks something, or the
// start-up refused the machine; 2: the file could not be written.
int RunCapture(Backend backend, SessionSetup setup, std::ostream& out, std::ostream& err);

}  // namespace zm::app
