// The model of the advanced user sequence: its name tables, its four role parameters and its
// function blocks, from which the caller receives deep copies.
#pragma once

#include <rapidjson/document.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "vqDataFileReader.h"

namespace vqdf {

class CAdvUserSeqDB {
public:
    CAdvUserSeqDB() = default;
    virtual ~CAdvUserSeqDB();
    CAdvUserSeqDB(const CAdvUserSeqDB&) = delete;
    CAdvUserSeqDB& operator=(const CAdvUserSeqDB&) = delete;

    // 1 read, 0 when the section is absent or one of its five tables is not an array.
    int32_t LoadAdvUserSeq(const rapidjson::Value& section);
    // The parameter id of a role (100 to 103), 0 when the section named none.
    uint32_t GetRole(uint32_t role);
    // Appends a deep copy of every block; true when out holds anything afterwards.
    bool CopyBlocks(std::vector<FunctionBlock*>* out) const;

    const std::vector<FunctionBlock>& Blocks() const { return blocks_; }

private:
    using NameTable = std::map<uint32_t, std::wstring>;

    bool ReadFunctionList(const rapidjson::Value& list);
    FunctionBlock ReadFunctionBlock(const rapidjson::Value& element) const;

    NameTable bitPinTypes_;
    NameTable ioTypes_;
    NameTable groups_;
    NameTable comments_;
    std::map<uint32_t, int32_t> roles_;
    std::vector<FunctionBlock> blocks_;
};

}  // namespace vqdf
