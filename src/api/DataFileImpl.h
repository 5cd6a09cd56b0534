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
};

}  // namespace vqdf::api
