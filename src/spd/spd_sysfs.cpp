// SPDX-License-Identifier: GPL-3.0-or-later
#include "spd/spd_sysfs.h"

#include <algorithm>
#include <array>
#include <optional>
#include <system_error>
#include <tuple>

#include "os/bounded_file.h"

namespace zm::spd {
namespace {

namespace fs = std::filesystem;

constexpr unsigned kFirstSpdAddress = 0x50;
constexpr unsigned kLastSpdAddress = 0x57;

// Drivers that serve an SPD EEPROM's bytes in `eeprom`.
constexpr std::array<const char*, 4> kSpdDrivers{"ee1004", "spd5118", "at24", "eeprom"};

// The driver a device that has none asks for, by the device name the kernel gave it when it
// instantiated the module ("spd" is at24's name for DDR2/DDR3 SPD).
std::string WantedDriver(const std::string& deviceName) {
    if (deviceName == "ee1004" || deviceName == "spd5118" || deviceName == "eeprom")
        return deviceName;
    if (deviceName == "spd" || deviceName.rfind("24c", 0) == 0) return "at24";
    return "";
}

// A sysfs attribute is one page at most; anything else under the root is not read further.
std::string FirstLine(const fs::path& file) {
    std::string text = os::ReadRegularFile(file, 4096).bytes;
    return text.substr(0, text.find('\n'));
}

struct Address {
    unsigned bus = 0, address = 0;
};

// "<bus>-<address>": a decimal bus number and a four-digit hexadecimal address ("0-0050").
std::optional<Address> ParseDeviceName(const std::string& name) {
    const std::size_t dash = name.find('-');
    if (dash == std::string::npos || dash == 0 || dash > 6 || name.size() != dash + 5)
        return std::nullopt;
    Address a;
    for (std::size_t i = 0; i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9') return std::nullopt;
        a.bus = a.bus * 10 + static_cast<unsigned>(name[i] - '0');
    }
    for (std::size_t i = dash + 1; i < name.size(); ++i) {
        const char c = name[i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return std::nullopt;
        a.address = a.address * 16 + static_cast<unsigned>(digit);
    }
    return a;
}

std::string Hex2(unsigned value) {
    static const char* digits = "0123456789abcdef";
    return std::string("0x") + digits[(value >> 4) & 0xF] + digits[value & 0xF];
}

}  // namespace

SysfsSpdScan ScanSysfsSpd(const fs::path& sysfsRoot) {
    SysfsSpdScan scan;
    std::vector<std::tuple<unsigned, unsigned, SysfsSpdDevice>> found;
    std::error_code ec;
    for (fs::directory_iterator it(sysfsRoot / "bus" / "i2c" / "devices", ec), end;
         !ec && it != end; it.increment(ec)) {
        const auto address = ParseDeviceName(it->path().filename().string());
        if (!address || address->address < kFirstSpdAddress || address->address > kLastSpdAddress)
            continue;
        std::error_code linkError;
        const fs::path driverLink = fs::read_symlink(it->path() / "driver", linkError);
        const std::string driver = linkError ? "" : driverLink.filename().string();
        if (driver.empty()) {
            const std::string wanted = WantedDriver(FirstLine(it->path() / "name"));
            if (!wanted.empty() && std::find(scan.unboundDrivers.begin(), scan.unboundDrivers.end(),
                                             wanted) == scan.unboundDrivers.end())
                scan.unboundDrivers.push_back(wanted);
            continue;
        }
        if (std::find(kSpdDrivers.begin(), kSpdDrivers.end(), driver) == kSpdDrivers.end())
            continue;
        SysfsSpdDevice device{"i2c-" + std::to_string(address->bus) + " " + Hex2(address->address),
                              driver, it->path() / "eeprom"};
        found.emplace_back(address->bus, address->address, std::move(device));
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
    });
    for (auto& entry : found) scan.bound.push_back(std::move(std::get<2>(entry)));
    std::sort(scan.unboundDrivers.begin(), scan.unboundDrivers.end());
    return scan;
}

std::string NoSpdModuleHint(const SysfsSpdScan& scan, bool permissionDenied) {
    if (permissionDenied)
        return "the kernel's SPD files of these modules can only be read by root: run "
               "sudo zentrimo --spd";
    if (!scan.unboundDrivers.empty()) {
        std::string drivers;
        for (const std::string& driver : scan.unboundDrivers)
            drivers.append(drivers.empty() ? "" : " ").append(driver);
        return "the kernel knows memory modules' SPD EEPROMs but no driver is bound to them: "
               "load it (sudo modprobe " +
               std::string(scan.unboundDrivers.size() > 1 ? "-a " : "") + drivers + ")";
    }
    return "no memory module's SPD is exposed by the kernel: load the SMBus driver and the "
           "modules' EEPROM driver (sudo modprobe i2c-i801 or i2c-piix4, then ee1004 for DDR4, "
           "spd5118 for DDR5, at24 for DDR3 and older)";
}

}  // namespace zm::spd
