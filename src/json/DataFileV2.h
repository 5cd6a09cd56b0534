// The reader of JSON data files: the data file with its titles document beside it, read section
// by section into the shared records and the tables only this format has.
#pragma once

#include <rapidjson/document.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "advuserseq/AdvUserSeqDB.h"
#include "model/DataFile.h"
#include "platform/CodePage.h"

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

    // Member reads that tell the observer what they skip or cut; without one they are the plain
    // conversions of JsonValue.h.
    bool Observed() const { return observer_ != nullptr; }
    void Report(FindingKind kind, const Value& element, std::string_view key,
                std::string message) const;
    std::optional<int32_t> ReadNumber(const Value& object, std::string_view key) const;
    void ReadIntField(const Value& object, std::string_view key, int32_t& field) const;
    void ReadHexField(const Value& object, std::string_view key, int32_t& field) const;
    std::wstring AtValueOf(const Value& element, platform::CodePage codePage) const;
    // The title that "Title::id" names, its placeholders filled from the value text; nothing
    // without an id.
    std::optional<std::wstring> TitleOf(const Value& element, const std::wstring& atValue);
    std::optional<std::wstring> UnitOf(const Value& element);
    // Reports a text that a store had to cut; fitted is what the store returned.
    void CheckFit(bool fitted, const Value& element, std::string_view key, std::size_t width) const;
    void CheckKnownParam(const Value& element, std::string_view key) const;
    void CheckKnownMessage(const Value& element, std::string_view key) const;

    bool ParseDocument(const std::wstring& path, rapidjson::Document& document) const;
    void ReportFile(FindingKind kind, const std::wstring& path, std::string message) const;
    bool RequireSection(const Value& parent, std::string_view key, bool read) const;
    bool ReadSections(const Value& root);
    bool LoadTitleDocument(const std::wstring& path);
    bool ReadTextTable(const Value& value, const char* what, TextTable& table) const;

    bool ReadMessages(const Value& section);
    void MessageReference(const Value& object, int32_t& count, MsgTitle*& titles) const;

    void ReadDevice(const Value& section);
    bool ReadTerminalHalf(const Value& half, int32_t& total, int32_t& basic, int32_t& statusAddr,
                          TerminalInfo*& terminals, int32_t& funcCount, MsgTitle*& funcTitles);
    void ReadTerminal(const Value& element, TerminalInfo& terminal);
    void CheckTerminalList(const Value& half, std::string_view key, int64_t entries) const;

    bool ReadParameterGroups(const Value& section);
    bool ReadParameterGroup(const Value& element, GroupInfo& group);
    void ReadParameter(const Value& element, ParamInfo& param);
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
