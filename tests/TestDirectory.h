// A folder of the running test's own under the system's temporary folder, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ProcessId.h"

namespace vqdf::testing {

class TestDirectory {
public:
    TestDirectory() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("vqdf_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" +
                std::to_string(ProcessId()));
        std::filesystem::create_directories(dir_);
    }
    ~TestDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    TestDirectory(const TestDirectory&) = delete;
    TestDirectory& operator=(const TestDirectory&) = delete;

    const std::filesystem::path& Dir() const { return dir_; }

    // A copy of the file in this folder. A compound file is opened exclusively, so tests that run
    // side by side each read their own copy of a shared one.
    std::filesystem::path CopyHere(const std::filesystem::path& file) const {
        const auto copy = dir_ / file.filename();
        std::filesystem::copy_file(file, copy, std::filesystem::copy_options::overwrite_existing);
        return copy;
    }

private:
    std::filesystem::path dir_;
};

}  // namespace vqdf::testing
