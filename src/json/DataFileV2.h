// The reader of JSON data files: the data file with its titles document beside it, read section
// by section into the shared records and the tables only this format has.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "advuserseq/AdvUserSeqDB.h"
#include "json/JsonValue.h"
#include "json/ParamIdTable.h"
#include "json/ReaderFindings.h"
#include "json/TextTable.h"
#include "model/DataFile.h"

namespace vqdf {

class CDataFileV2 : public CDataFileBase {
public:
    using Value = json::Value;

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

    // What the records leave out and a writer of the format puts back: the user-sequence model
    // with its name tables, and "Trips"/"TripHistory" as its JSON text (empty when absent).
    const CAdvUserSeqDB& AdvUserSeq() const { return advUserSeq_; }
    // The status and control counts as "Device" gives them, 0 where it gives none.
    std::pair<int32_t, int32_t> DeviceCounts() const { return deviceCounts_; }
    const std::string& TripHistoryText() const { return tripHistory_; }

    // A definition of "Trips"/"StatusInfo" that the status slots copy from.
    struct StatusRecord {
        int32_t DataType = 0;
        int32_t Point16 = 0;
        char Title[30] = {};
        char Unit[10] = {};
    };

private:
    using Field = json::Field;

    // The title of an id as UTF-8, filled from the value text; valid until the next call.
    std::string_view TitleText(uint32_t titleId, const std::wstring& value);
    // The title that "Title::id" names, filled from the value text; nothing without an id.
    std::optional<std::string_view> TitleOf(const Field& titleId, const std::wstring& atValue);
    std::optional<std::string_view> UnitOf(const Field& unitId);
    void CheckKnownParam(const Field& paramId) const;
    void CheckKnownMessage(const Field& messageId) const;

    bool ReadSections(const Value& root);
    bool LoadTitleDocument(const std::wstring& path);
    bool ReadTextTable(const Value& value, const char* what, json::TextTable& table) const;

    bool ReadMessages(const Value& section);
    void MessageReference(const Field& messageId, int32_t& count, MsgTitle*& titles) const;

    void ReadDevice(const Value& section);
    bool ReadTerminalHalf(const Value& half, int32_t& total, int32_t& basic, int32_t& statusAddr,
                          TerminalInfo*& terminals, int32_t& funcCount, MsgTitle*& funcTitles);
    void ReadTerminal(const Value& element, TerminalInfo& terminal);
    void CheckTerminalList(const Field& list, int64_t entries) const;

    bool ReadParameterGroups(const Value& section);
    bool ReadParameterGroup(const Value& element, GroupInfo& group);
    void ReadParameter(const Value& element, ParamInfo& param, const GroupInfo& group);
    bool ReadCommonParameters(const Value& section);
    bool ReadInitOrder(const Value& section);

    bool ReadStatusInfo(const Value& section);
    void ReadTripHalf(const Value& half, std::string_view firstAddrKey, std::string_view addrKey,
                      int32_t& firstAddr, int32_t& addrCount, int32_t*& addrs, int32_t& statusCount,
                      StatusInfoData*& statusData, int32_t& nameCount, MsgTitle*& names);
    void ReadStatusInfoData(const Value& list, StatusInfoData* slots) const;

    bool ReadAdvUserSeq(const Value& section);
    void ReadSimpleScope(const Value& section);

    ExtendSpec extend_{};
    json::TextTable units_;
    json::TextTable titles_;
    std::map<uint32_t, StatusRecord> statusTable_;
    json::ParamIdTable paramIds_;
    SpecialParamMap specialParams_;
    CAdvUserSeqDB advUserSeq_;
    std::string tripHistory_;
    int32_t reservedCount_ = 0;
    int32_t paraStatusNum_ = 0;
    int32_t paraControlNum_ = 0;
    std::pair<int32_t, int32_t> deviceCounts_{0, 0};

    json::JsonFindings findings_;
    std::string formatted_;  // the last title filled from a value
};

}  // namespace vqdf
