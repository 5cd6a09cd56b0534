// What a DataFile of the internal API holds: the reader that loaded it.
#pragma once

#include <memory>
#include <string>

#include "DataFileApi.h"
#include "model/DataFile.h"

namespace vqdf::api {

struct DataFile::Impl {
    std::string path;
    Format format = Format::Json;
    std::unique_ptr<CDataFileBase> reader;
    // The counts a reader may look up and cache on a call, asked once at the load, so that
    // reading a DataFile never writes to it.
    int32_t paraStatusNum = 0;
    int32_t paraControlNum = 0;
};

}  // namespace vqdf::api
