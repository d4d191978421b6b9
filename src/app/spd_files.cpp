#include "app/spd_files.h"

#include <nlohmann/json.hpp>
#include <ostream>

#include "app/spd_render.h"
#include "spd/spd_image.h"

namespace zm::app {
namespace {

struct FileResult {
    std::string file;
    std::string image;  // "256 bytes (binary)"; empty when the file gave no image
    std::string error;  // why it was not decoded; empty when it was
    spd::SpdSlotReport module;
};

FileResult DecodeFile(const std::string& file) {
    FileResult result;
    result.file = file;
    const spd::SpdImageLoad load = spd::ReadSpdImageFile(file);
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
    if (result.image.empty())
        return RenderSpdSlotText({}, "", {{"File", result.file}, {"Error", result.error}});
    return RenderSpdSlotText(result.module, "", {{"File", result.file}, {"Image", result.image}});
}

nlohmann::json Json(const FileResult& result) {
    nlohmann::json entry = {
        {"file", result.file}, {"image", result.image}, {"error", result.error}};
    if (!result.image.empty()) entry["module"] = SpdSlotJson(result.module);
    return entry;
}

}  // namespace

int RunSpdFiles(const std::vector<std::string>& files, bool json, std::ostream& out,
                std::ostream& err) {
    nlohmann::json list = nlohmann::json::array();
    bool allDecoded = true;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const FileResult result = DecodeFile(files[i]);
        if (!result.error.empty()) {
            allDecoded = false;
            err << "zentrimo: " << result.file << ": " << result.error << "\n";
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

}  // namespace zm::app
