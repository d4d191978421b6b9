// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/apply_stored.h"

#include <filesystem>
#include <ostream>

#include "app/report.h"
#include "app/shutdown.h"
#include "app/startup.h"
#include "os/boot_apply_service.h"
#include "os/clock.h"
#include "settings/boot_apply_record.h"
#include "settings/file_replace.h"
#include "settings/ini_file.h"
#include "timings/stored_timings.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zm::app {
namespace {

// Whether the file holds any key of a stored set (of either controller family).
bool HoldsStoredSet(const settings::IniFile& file) {
    for (timings::ControllerKind kind :
         {timings::ControllerKind::K10, timings::ControllerKind::Uncore,
          timings::ControllerKind::HostBridge}) {
        const std::string_view section = timings::StoredSection(kind);
        for (const timings::StoredKey& key : timings::StoredKeys(kind)) {
            for (int channel = 0; channel < timings::StoredChannelCount(kind); ++channel) {
                if (!file.ReadString(section, timings::StoredKeyName(key.number, channel), "")
                         .empty())
                    return true;
            }
        }
    }
    return false;
}

// Why there is nothing to apply, or empty.
std::string NothingToApply(const std::string& settingsPath) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(settingsPath, ec))
        return "no stored timing set: there is no settings file " + settingsPath;
    const settings::IniFile file(settingsPath);
    if (!HoldsStoredSet(file))
        return "no stored timing set in " + settingsPath +
               " (StartUp stores one with \"Save these timings and apply at next boot\")";
    if (!timings::StoredTimingsRequested(file))
        return "the stored timing set in " + settingsPath +
               " is not to be applied at start (HL/AN is not 1; switch it on in StartUp)";
    return {};
}

#ifndef _WIN32
// A settings file of root's is read and written with root's rights, so acting as its owner
// protects nothing: every folder on its way must then be one only root may change (root's, not
// writable by others, or sticky like /tmp), or another user could swap a folder for a link
// between this check and the writes (the interrupted-apply record is written a minute later).
std::string FoldersOthersMayChange(const std::filesystem::path& file) {
    for (std::filesystem::path dir = file.parent_path();; dir = dir.parent_path()) {
        struct stat st {};
        const bool othersMayChange =
            ::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != 0 ||
            ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0);
        if (othersMayChange)
            return "the settings file is root's, but its folder " + dir.string() +
                   " may be changed by another user";
        if (dir == dir.root_path()) return {};
    }
}
#endif

// The settings file work of one run done as the file's owner (see ActOnSettingsFilesAs).
struct ActingAsOwner {
    bool engaged = false;
    ~ActingAsOwner() {
        if (engaged) settings::ActOnSettingsFilesAs(std::nullopt);
    }
};

}  // namespace

int RunApplyStored(Backend& backend, const std::string& givenPath, std::ostream& out,
                   std::ostream& err) {
    std::string settingsPath = givenPath;
    ActingAsOwner asOwner;
#ifndef _WIN32
    // As root (the boot service) the file is a user's, in folders the user controls: it is
    // reached without any symbolic link, and read and written with its owner's rights only, so
    // that a folder swapped for a link since the service was switched on (or while this run
    // goes on) leads root nowhere the user could not write anyway.
    if (::geteuid() == 0) {
        settingsPath = std::filesystem::absolute(givenPath).lexically_normal().string();
        const os::SettingsFileStatus file = os::InspectSettingsFile(settingsPath);
        std::string why = file.why;
        if (why.empty() && file.writableByOthers) why = "others may write the settings file";
        if (why.empty() && !file.missing && file.uid == 0)
            why = FoldersOthersMayChange(settingsPath);
        if (file.missing) {
            err << "zentrimo: no stored timing set: there is no settings file " << settingsPath
                << "\n";
            return kExitNothingToApply;
        }
        if (!why.empty()) {
            err << "zentrimo: nothing was written: " << why << " (" << settingsPath
                << "); running as root, the program acts only on a settings file of its owner's "
                   "that is reached without symbolic links and that nobody else may write\n";
            return kExitNotWritten;
        }
        settings::ActOnSettingsFilesAs(settings::FileOwner{file.uid, file.gid});
        asOwner.engaged = true;
    }
#endif
    if (const std::string why = NothingToApply(settingsPath); !why.empty()) {
        err << "zentrimo: " << why << "\n";
        return kExitNothingToApply;
    }
    out << "zentrimo: applying the stored timing set of " << settingsPath << " on "
        << backend.description << "\n";

    hw::HardwareAccess hw(*backend.operations);
    StartupContext context{backend, hw, settingsPath, nullptr};
    context.startMeasuringThread = false;
    StartupResult result = RunStartup(context);
    err << RenderMessages(result.messages);

    int code = 0;
    if (result.terminationRequested) {
        err << "zentrimo: the machine was refused; nothing was written\n";
        code = 1;
    } else if (!result.timings) {
        err << "zentrimo: no memory controller whose timings can be written; nothing was written\n";
        code = kExitNothingToApply;
    } else if (!result.bootApplyRecorded) {
        // The start-up refused the set; its message above says why.
        err << "zentrimo: the stored timing set was not written\n";
        code = kExitNotWritten;
    } else {
        out << "zentrimo: written; the controller now holds:\n" << RenderTimingsText(result);
        if (!result.timings->readBack.empty()) code = kExitNotHeld;
    }
    ReleaseHardware(hw, result.facts);
    if (result.bootApplyRecorded) {
        // The start-up recorded the apply as under way; it counts as survived once the machine
        // has run a minute after it, as in the windows. Until then a hang leaves the record,
        // and the next start writes nothing.
        os::SteadyClock hostClock;
        os::Clock& clock = backend.clock ? *backend.clock : hostClock;
        settings::BootApplyWatch watch(settingsPath, clock.TickCount());
        while (!watch.Tick(clock.TickCount())) clock.Sleep(1000);
    }
    return code;
}

}  // namespace zm::app
