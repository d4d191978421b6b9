// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/library_check.h"

namespace zm::app {

Messages CheckLibraryFiles(const hw::LibraryFiles& files) {
    Messages missing;
    std::string explained;
    bool explainedRequired = false;
    for (const hw::LibraryFile& file : files.Files()) {
        if (file.present) continue;
        if (file.advice.empty()) {
            missing.push_back({kCaptionError, file.name + " is not find!"});
            continue;
        }
        explained += (explained.empty() ? "" : "\r\n") + file.advice;
        explainedRequired = explainedRequired || file.required;
    }
    if (!explained.empty())
        missing.push_back({explainedRequired ? kCaptionError : kCaptionWarning, explained});
    return missing;
}

bool LibraryCheckRefuses(const hw::LibraryFiles& files) {
    for (const hw::LibraryFile& file : files.Files())
        if (!file.present && file.required) return true;
    return false;
}

}  // namespace zm::app
