// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Memory modules' SPD EEPROMs as the kernel's drivers expose them, without root and without this
// program touching an SMBus controller: each module the kernel found is an I2C device
// <sysfs>/bus/i2c/devices/<bus>-<address>/ at an SPD address (0x50..0x57), and a bound driver
// gives its bytes in the file `eeprom` there: ee1004 for DDR4 (both pages, readable by anyone),
// spd5118 for DDR5 (all 1,024 bytes behind the hub), at24 (device name "spd") or the older
// eeprom driver for DDR3 and earlier modules.

#include <filesystem>
#include <string>
#include <vector>

namespace zm::spd {

struct SysfsSpdDevice {
    std::string name;              // "i2c-0 0x50"
    std::string driver;            // "ee1004"
    std::filesystem::path eeprom;  // <device>/eeprom
};

struct SysfsSpdScan {
    std::vector<SysfsSpdDevice> bound;        // bus, then address order
    std::vector<std::string> unboundDrivers;  // the drivers SPD devices without one want ("ee1004")
};

// The SPD devices under sysfsRoot ("/sys" on a running system).
SysfsSpdScan ScanSysfsSpd(const std::filesystem::path& sysfsRoot);

// The one line that says what to do when no module could be read: which driver to load when
// none is bound, or that the files need root when `permissionDenied`.
std::string NoSpdModuleHint(const SysfsSpdScan& scan, bool permissionDenied);

}  // namespace zm::spd
