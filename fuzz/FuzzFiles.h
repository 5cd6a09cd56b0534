// Where the fuzz targets put their inputs as files: a folder of the process's own, removed at
// exit, so that the loaders read them exactly as they read a user's files.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace vqdf::fuzz {

class ScratchFolder {
public:
    ScratchFolder()
        : dir_(std::filesystem::temp_directory_path() /
               ("vqdf-fuzz-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(dir_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::filesystem::path Write(const char* name, std::string_view bytes) const {
        const std::filesystem::path path = dir_ / name;
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    void Remove(const char* name) const {
        std::error_code ignored;
        std::filesystem::remove(dir_ / name, ignored);
    }

private:
    std::filesystem::path dir_;
};

inline std::string_view Bytes(const uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A JSON input is the data file, then this line, then the titles document; without the line
// there is no titles document.
constexpr std::string_view kTitlesSeparator = "\n#TITLES#\n";

}  // namespace vqdf::fuzz
