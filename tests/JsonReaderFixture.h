// Small JSON data files loaded into a fresh reader.
#pragma once

#include <memory>

#include "JsonFixture.h"
#include "json/DataFileV2.h"

namespace vqdf::testing {

// Writes the files and loads them into a fresh reader.
struct Loaded {
    std::unique_ptr<CDataFileV2> reader = std::make_unique<CDataFileV2>();
    uint32_t result = 0;
};

inline Loaded LoadJson(const JsonFiles& files) {
    Loaded loaded;
    loaded.result = loaded.reader->Load(files.Write());
    return loaded;
}

}  // namespace vqdf::testing
