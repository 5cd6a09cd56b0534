// The reader of legacy compound data files (".inv"): raw record images in storages and streams.
#pragma once

#include <string>

#include "model/DataFile.h"

namespace vqdf {

class CDataFileInfo : public CDataFileBase {
public:
    explicit CDataFileInfo(const std::wstring& path);
    // Drops the path only: the registry releases the tables before it destroys the reader.
    ~CDataFileInfo() override = default;

    uint32_t Load(const std::wstring& path) override;
    SpecialParamMap* GetSpecialParameter() override { return nullptr; }
    ExtendSpec* GetExtendSpec() override { return nullptr; }
    int32_t GetParamIDS(ParamIdMap*) override { return 0; }
    int32_t GetSpecAdvUserSeq(std::vector<FunctionBlock*>*) override { return 0; }
    int32_t HasReservedCount() override { return 0; }
    int32_t GetReservedCount() override { return 0; }
    int32_t GetParaStatusNum() override { return FindParamCount(L"ParaStatus Num"); }
    int32_t GetParaControlNum() override { return FindParamCount(L"Para Ctrl Num"); }
    void ReleaseTables() override;
};

}  // namespace vqdf
