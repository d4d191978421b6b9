// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fresh, empty folder for one test under the system's temporary folder, removed with the test's
// fixture. Its name carries the process and the running test, so tests that ctest runs side by
// side never share one.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace zm::testing {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix)
        : path_(std::filesystem::temp_directory_path() /
                (prefix + "-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    operator const std::filesystem::path&() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return path_ / name;
    }
    std::string string() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

}  // namespace zm::testing
