// The model of the advanced user sequence: its name tables, its four role parameters and its
// function blocks, from which the caller receives deep copies.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "json/JsonValue.h"
#include "json/ParamIdTable.h"
#include "json/ReaderFindings.h"
#include "model/LoadObserver.h"
#include "vqDataFileReader.h"

namespace vqdf {

class CAdvUserSeqDB {
public:
    CAdvUserSeqDB() = default;
    virtual ~CAdvUserSeqDB();
    CAdvUserSeqDB(const CAdvUserSeqDB&) = delete;
    CAdvUserSeqDB& operator=(const CAdvUserSeqDB&) = delete;

    // 1 read, 0 when the section is absent or one of its five tables is not an array.
    int32_t LoadAdvUserSeq(const json::Value& section);
    // The parameter id of a role (100 to 103), 0 when the section named none.
    uint32_t GetRole(uint32_t role);
    // Appends a deep copy of every block; true when out holds anything afterwards.
    bool CopyBlocks(std::vector<FunctionBlock*>* out) const;

    // The four name tables by id: texts only the writer of the format reads again.
    using NameTable = std::map<uint32_t, std::wstring>;
    const NameTable& BitPinTypes() const { return bitPinTypes_; }
    const NameTable& IOTypes() const { return ioTypes_; }
    const NameTable& Groups() const { return groups_; }
    const NameTable& Comments() const { return comments_; }

    // Tells the observer what the next load skips or cuts, with params as the parameter ids
    // that exist; null for both tells nobody.
    void SetObserver(ILoadObserver* observer, const json::ParamIdTable* params) {
        findings_.SetObserver(observer);
        params_ = params;
    }

private:
    using Value = json::Value;

    bool ReadFunctionList(const Value& list);
    void ReadFunctionBlock(const Value& element, FunctionBlock& block) const;
    void ReadExpansion(const Value& list, FunctionBlock& block) const;
    void ReadParamIdList(const Value& list, uint32_t& count, ParamIdEntry*& entries) const;
    // An id of the table given, or of a parameter when there is none; one that names nothing is
    // still used as it is, and told.
    std::optional<int32_t> ReadId(const json::Field& field, const NameTable* table,
                                  const char* what) const;
    template <typename ToText>
    bool ReadTable(const json::Field& field, std::string_view textKey, NameTable& table,
                   ToText toText) const;

    json::JsonFindings findings_;
    const json::ParamIdTable* params_ = nullptr;

    NameTable bitPinTypes_;
    NameTable ioTypes_;
    NameTable groups_;
    NameTable comments_;
    std::map<uint32_t, int32_t> roles_;
    std::vector<FunctionBlock> blocks_;
};

}  // namespace vqdf
