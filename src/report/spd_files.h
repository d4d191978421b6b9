// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// --spd FILE...: SPD images decoded offline, each as the SPD window would show it, with no
// hardware, no platform check and no settings file involved. --spd alone: this machine's modules
// as the kernel's EEPROM drivers give them (see spd/spd_sysfs.h), never read over SMBus here.

#include <iosfwd>
#include <string>
#include <vector>

namespace zm::app {

// Prints every file's facts and grid (text, or one JSON array) to out and names each file that
// could not be decoded, with the reason, on err. Returns 0 when every file decoded, 1 otherwise.
int RunSpdFiles(const std::vector<std::string>& files, bool json, std::ostream& out,
                std::ostream& err);

// Every module under sysfsRoot/bus/i2c/devices with an SPD driver bound, named by bus and
// address, printed as RunSpdFiles prints files. Where none could be read, one line on err says
// what to do (which driver to load, or that the files need root) and nothing is printed on out.
// Returns 0 when every module decoded, 1 otherwise.
int RunSpdModules(const std::string& sysfsRoot, bool json, std::ostream& out, std::ostream& err);

// The sysfs root: $ZENTRIMO_SYSFS when set (tests point it at a fixture tree), else /sys.
std::string SpdSysfsRoot();

}  // namespace zm::app
