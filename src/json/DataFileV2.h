// The reader of JSON data files: the data file with its titles document beside it, read section
// by section into the shared records and the tables only this format has.
#pragma once

#include <rapidjson/document.h>

#include <cstdint>
#include <map>
#include <string>

#include "advuserseq/AdvUserSeqDB.h"
#include "model/DataFile.h"

namespace vqdf {

class CDataFileV2 : public CDataFileBase {
public:
    using Value = rapidjson::Value;

    CDataFileV2() = default;
    ~CDataFileV2() override;
    CDataFileV2(const CDataFileV2&) = delete;
    CDataFileV2& operator=(const CDataFileV2&) = delete;

    uint32_t Load(const std::wstring& path) override;
    SpecialParamMap* GetSpecialParameter() override { return &specialParams_; }
    ExtendSpec* GetExtendSpec() override { return &extend_; }
    int32_t GetParamIDS(ParamIdMap* out) override;
    int32_t GetSpecAdvUserSeq(std::vector<FunctionBlock*>* out) override;
    int32_t HasReservedCount() override { return GetReservedCount() > 0 ? 1 : 0; }
    int32_t GetReservedCount() override { return reservedCount_; }
    int32_t GetParaStatusNum() override;
    int32_t GetParaControlNum() override;
    void ReleaseTables() override;

    // The title of an id, its "@" placeholders filled from the value text when both are given.
    std::wstring BuildTitle(uint32_t titleId, const std::wstring& value);
    // The same with a number as the value; -1 means none.
    std::wstring BuildTitle(uint32_t titleId, int32_t value);
    std::wstring BuildUnit(uint32_t unitId);

    // The 16-bit and 32-bit communication addresses of a parameter id; 0 for an unknown id.
    uint32_t CommAddress16(uint32_t paramId) const;
    uint32_t CommAddress32(uint32_t paramId) const;

    // A definition of "Trips"/"StatusInfo" that the status slots copy from.
    struct StatusRecord {
        int32_t DataType = 0;
        int32_t Point16 = 0;
        char Title[30] = {};
        char Unit[10] = {};
    };

private:
    using TextTable = std::map<uint32_t, std::wstring>;

    bool LoadDocuments(const std::wstring& path, rapidjson::Document& data);
    bool ReadSections(const Value& root);
    bool LoadTitleDocument(const std::wstring& path);
    static bool ReadTextTable(const Value& value, TextTable& table);

    bool ReadMessages(const Value& section);
    void MessageReference(const Value& object, int32_t& count, MsgTitle*& titles) const;

    void ReadDevice(const Value& section);
    bool ReadTerminalHalf(const Value& half, int32_t& total, int32_t& basic, int32_t& statusAddr,
                          TerminalInfo*& terminals, int32_t& funcCount, MsgTitle*& funcTitles);
    void ReadTerminal(const Value& element, TerminalInfo& terminal);

    bool ReadParameterGroups(const Value& section);
    bool ReadParameterGroup(const Value& element, GroupInfo& group);
    void ReadParameter(const Value& element, ParamInfo& param);
    bool ReadCommonParameters(const Value& section);
    bool ReadInitOrder(const Value& section);

    bool ReadStatusInfo(const Value& section);
    void ReadTripHalf(const Value& half, const char* firstAddrKey, const char* addrKey,
                      int32_t& firstAddr, int32_t& addrCount, int32_t*& addrs, int32_t& statusCount,
                      StatusInfoData*& statusData, int32_t& nameCount, MsgTitle*& names);
    void ReadStatusInfoData(const Value& list, StatusInfoData* slots) const;

    bool ReadAdvUserSeq(const Value& section);
    void ReadSimpleScope(const Value& section);

    ExtendSpec extend_{};
    TextTable units_;
    TextTable titles_;
    std::map<uint32_t, StatusRecord> statusTable_;
    ParamIdMap paramIds_;
    SpecialParamMap specialParams_;
    CAdvUserSeqDB advUserSeq_;
    int32_t reservedCount_ = 0;
    int32_t paraStatusNum_ = 0;
    int32_t paraControlNum_ = 0;
};

}  // namespace vqdf
