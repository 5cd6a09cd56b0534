// Legacy files written by the tests: a storage tree built in the test, or taken from the writer
// and then broken on purpose, written to a folder of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>

#include "TestDirectory.h"
#include "compound/DataFileInfo.h"
#include "platform/CompoundOutput.h"

namespace vqdf::testing {

class LegacyFiles : public TestDirectory {
public:
    std::wstring Write(const platform::CompoundNode& root,
                       const std::string& name = "M1_1_05.inv") {
        std::string error;
        const std::filesystem::path path = Dir() / name;
        EXPECT_TRUE(platform::WriteCompoundFile(path.string(), root, error)) << error;
        return path.wstring();
    }
};

// A loaded legacy reader whose tables are released when it goes.
struct LoadedLegacy {
    explicit LoadedLegacy(const std::wstring& path)
        : reader(std::make_unique<CDataFileInfo>(path)), result(reader->Load(path)) {}
    ~LoadedLegacy() { reader->ReleaseTables(); }
    LoadedLegacy(const LoadedLegacy&) = delete;
    LoadedLegacy& operator=(const LoadedLegacy&) = delete;

    std::unique_ptr<CDataFileInfo> reader;
    uint32_t result;
};

inline std::string Int32Bytes(std::initializer_list<int32_t> values) {
    std::string bytes;
    for (const int32_t value : values) {
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    return bytes;
}

// The first bytes of a record, as its info stream holds them.
template <typename T>
std::string ImageOf(const T& record, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(&record), size);
}

// Entries whose bytes count up from a start, so that a test can tell every entry apart.
template <typename T>
std::string NumberedEntries(int count, unsigned char start) {
    std::string bytes(static_cast<std::size_t>(count) * sizeof(T), '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(start + i / sizeof(T));
    }
    return bytes;
}

}  // namespace vqdf::testing
