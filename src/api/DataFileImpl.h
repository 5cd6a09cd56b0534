// What a DataFile of the internal API holds: the reader that loaded it.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "DataFileApi.h"
#include "model/DataFile.h"

namespace vqdf::api {

struct DataFile::Impl {
    std::string path;
    Format format = Format::Json;
    std::unique_ptr<CDataFileBase> reader;
    // The counts a reader looks up and caches on a call (a walk over every group's title), asked
    // once, on the first call from any thread, so that a load does not pay for them and reading a
    // DataFile from several threads at once never writes to the reader at the same time.
    mutable std::once_flag countsAsked;
    mutable int32_t paraStatusNum = 0;
    mutable int32_t paraControlNum = 0;
    void AskCounts() const {
        std::call_once(countsAsked, [this] {
            paraStatusNum = reader->GetParaStatusNum();
            paraControlNum = reader->GetParaControlNum();
        });
    }
};

}  // namespace vqdf::api
