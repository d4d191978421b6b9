// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/spd_files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <ostream>

#include "report/spd_render.h"
#include "spd/spd_image.h"
#include "spd/spd_sysfs.h"

namespace zm::app {
namespace {

struct FileResult {
    // What was read: {"File", name}, or {"Device", "i2c-0 0x50"} and {"Driver", "ee1004"}.
    std::vector<CaptionValue> source;
    std::string image;  // "256 bytes (binary)"; empty when the file gave no image
    std::string error;  // why it was not decoded; empty when it was
    spd::SpdSlotReport module;
};

FileResult Decode(std::vector<CaptionValue> source, const spd::SpdImageLoad& load) {
    FileResult result;
    result.source = std::move(source);
    if (!load.image) {
        result.error = load.error;
        return result;
    }
    result.image = load.image->format + ", " + spd::ImageExtentText(*load.image);
    result.module = spd::DecodeImageReport(*load.image);
    if (!result.module.decoded) result.error = result.module.fields.at(0).second;
    return result;
}

std::string Text(const FileResult& result) {
    std::vector<CaptionValue> leading = result.source;
    if (result.image.empty()) {
        leading.emplace_back("Error", result.error);
        return RenderSpdSlotText({}, "", leading);
    }
    leading.emplace_back("Image", result.image);
    return RenderSpdSlotText(result.module, "", leading);
}

// JSON keys of the source rows: "file", or "device" and "driver".
nlohmann::json Json(const FileResult& result) {
    nlohmann::json entry = {{"image", result.image}, {"error", result.error}};
    for (const auto& [caption, value] : result.source)
        entry[caption == "Device" ? "device" : caption == "Driver" ? "driver" : "file"] = value;
    if (!result.image.empty()) entry["module"] = SpdSlotJson(result.module);
    return entry;
}

int Print(const std::vector<FileResult>& results, bool json, std::ostream& out, std::ostream& err) {
    nlohmann::json list = nlohmann::json::array();
    bool allDecoded = true;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const FileResult& result = results[i];
        if (!result.error.empty()) {
            allDecoded = false;
            err << "zentrimo: " << result.source.front().second << ": " << result.error << "\n";
        }
        if (json) {
            list.push_back(Json(result));
        } else {
            out << (i == 0 ? "" : "\n") << Text(result);
        }
    }
    if (json) out << list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return allDecoded ? 0 : 1;
}

}  // namespace

int RunSpdFiles(const std::vector<std::string>& files, bool json, std::ostream& out,
                std::ostream& err) {
    std::vector<FileResult> results;
    for (const std::string& file : files)
        results.push_back(Decode({{"File", file}}, spd::ReadSpdImageFile(file)));
    return Print(results, json, out, err);
}

int RunSpdModules(const std::string& sysfsRoot, bool json, std::ostream& out, std::ostream& err) {
    const spd::SysfsSpdScan scan = spd::ScanSysfsSpd(sysfsRoot);
    std::vector<FileResult> results;
    bool anyRead = false, permissionDenied = false;
    for (const spd::SysfsSpdDevice& device : scan.bound) {
        // A driver can be bound with its file missing or unreadable to this user (at24 keeps
        // most EEPROMs root-only): such a module is named with the reason, not skipped.
        const spd::SpdImageLoad load = spd::ReadSpdImageFile(device.eeprom.string());
        const bool denied =
            !load.image && load.error.find(std::strerror(EACCES)) != std::string::npos;
        permissionDenied = permissionDenied || denied;
        anyRead = anyRead || !denied;
        results.push_back(Decode({{"Device", device.name}, {"Driver", device.driver}}, load));
    }
    if (!anyRead) {
        err << "zentrimo: " << spd::NoSpdModuleHint(scan, permissionDenied) << "\n";
        return 1;
    }
    return Print(results, json, out, err);
}

std::string SpdSysfsRoot() {
    if (const char* root = std::getenv("ZENTRIMO_SYSFS"); root && *root) return root;
    return "/sys";
}

}  // namespace zm::app
