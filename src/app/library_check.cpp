#include "app/library_check.h"

namespace zm::app {

Messages CheckLibraryFiles(const hw::LibraryFiles& files) {
    Messages missing;
    for (const hw::LibraryFile& file : files.Files())
        if (!file.present) missing.push_back({kCaptionError, file.name + " is not find!"});
    return missing;
}

}  // namespace zm::app
