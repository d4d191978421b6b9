// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// --apply-stored: the start-up without windows, for the boot service (run as root before anyone
// logs on) and by hand. It writes the settings file's stored timing set under exactly the rules
// the windowed start-up follows, says on stdout what it did and on stderr what went wrong, puts
// back what the start-up changed in the hardware, and exits.

#include <iosfwd>
#include <string>

#include "startup/session.h"

namespace zm::app {

// Exit codes beside the report's 0 (done) and 1 (machine refused).
inline constexpr int kExitNothingToApply = 3;
// The start-up wrote nothing: the set was taken from other modules or another controller, or the
// last apply at start did not survive a minute, or (run as root) the settings file is not one
// that root may act on (standard error says which).
inline constexpr int kExitNotWritten = 4;
// Written, but the controller does not hold every stored value (named on standard error).
inline constexpr int kExitNotHeld = 5;

// Refuses (kExitNothingToApply, nothing touched) when the settings file does not exist, holds no
// stored set, or does not ask for it at start ("HL"/"AN" is not "1"). Otherwise runs the
// start-up, which writes the set, and prints the timings the controller holds afterwards.
// A set the start-up did not write is never reported as written. Run as root, the settings
// file must be reached without symbolic links and be writable by its owner alone
// (kExitNotWritten otherwise), and every read and write of it is done with its owner's rights.
int RunApplyStored(Session& session, std::ostream& out, std::ostream& err);

}  // namespace zm::app
