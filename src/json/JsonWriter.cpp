// Records to JSON: texts become entries of the titles and units tables, lists of names become
// messages, status values become "StatusInfo" entries, and every address of the initialisation
// order names the parameter it belongs to.
#include "json/JsonWriter.h"

#include <rapidjson/document.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "json/JsonFormat.h"
#include "json/JsonValue.h"
#include "model/FixedText.h"
#include "model/FunctionBlockCopies.h"
#include "model/ParameterAddress.h"
#include "model/ParameterTypes.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

namespace vqdf {

namespace key = json::key;
namespace {

using Writer = rapidjson::PrettyWriter<rapidjson::StringBuffer>;

void Key(Writer& w, std::string_view key) {
    w.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
}

std::string FromCodePage(std::string_view bytes) {
    return platform::WideToMultiByte(
        platform::CodePage::Utf8, platform::MultiByteToWide(platform::CodePage::SystemAnsi, bytes));
}

// Parts are written apart where a table they name grows while they are written, and spliced in
// after the table: a whole value, or the members of an object.
void SpliceValue(Writer& w, const rapidjson::StringBuffer& buffer) {
    rapidjson::Document parsed;
    parsed.Parse(buffer.GetString(), buffer.GetSize());
    parsed.Accept(w);
}

void SpliceMembers(Writer& w, const rapidjson::StringBuffer& buffer) {
    rapidjson::Document parsed;
    parsed.Parse(buffer.GetString(), buffer.GetSize());
    for (const auto& member : parsed.GetObject()) {
        w.Key(member.name.GetString(), member.name.GetStringLength());
        member.value.Accept(w);
    }
}

std::string Hex(int32_t value) { return json::FormatHexText(static_cast<uint32_t>(value)); }

// Texts numbered in the order they are first met; the same text gets the same id.
class TextTable {
public:
    int32_t IdOf(const std::string& text) {
        const auto [at, added] = ids_.emplace(text, static_cast<int32_t>(texts_.size()) + 1);
        if (added) {
            texts_.push_back(text);
        }
        return at->second;
    }
    void Write(Writer& w, std::string_view textKey) const {
        w.StartArray();
        for (std::size_t k = 0; k < texts_.size(); ++k) {
            w.StartObject();
            Key(w, key::kId);
            w.Int(static_cast<int>(k + 1));
            Key(w, textKey);
            w.String(texts_[k].c_str(), static_cast<rapidjson::SizeType>(texts_[k].size()));
            w.EndObject();
        }
        w.EndArray();
    }

private:
    std::map<std::string, int32_t> ids_;
    std::vector<std::string> texts_;
};

struct StatusKey {
    std::string title;
    int32_t dataType;
    int32_t point16;
    std::string unit;
    bool operator<(const StatusKey& other) const {
        return std::tie(title, dataType, point16, unit) <
               std::tie(other.title, other.dataType, other.point16, other.unit);
    }
};

class JsonForm {
public:
    explicit JsonForm(IDataFile& file) : file_(file) {}

    // Both documents; the sections are written first so that every table they name is complete.
    std::pair<std::string, std::string> Write() {
        rapidjson::StringBuffer sections;
        Writer body(sections);
        WriteSections(body);
        rapidjson::StringBuffer data;
        Writer w(data);
        w.SetIndent(' ', 1);
        w.StartObject();
        Key(w, key::kUnits);
        units_.Write(w, key::kText);
        Key(w, key::kMessages);
        WriteMessages(w);
        SpliceMembers(w, sections);
        w.EndObject();
        const std::string text = std::string(data.GetString(), data.GetSize()) + "\n";
        rapidjson::StringBuffer titles;
        Writer t(titles);
        t.SetIndent(' ', 1);
        t.StartObject();
        Key(t, key::kTitles);
        titles_.Write(t, key::kText);
        t.EndObject();
        return {text, std::string(titles.GetString(), titles.GetSize()) + "\n"};
    }

private:
    void WriteSections(Writer& w) {
        w.StartObject();
        CollectMessages();
        WriteDevice(w);
        WriteIO(w);
        WriteGroups(w);
        WriteCommon(w);
        WriteTrips(w);
        WriteInitOrder(w);
        WriteAdvUserSeq(w);
        WriteSimpleScope(w);
        w.EndObject();
    }

    void Text(Writer& w, std::string_view key, const std::string& value) {
        Key(w, key);
        w.String(value.c_str(), static_cast<rapidjson::SizeType>(value.size()));
    }
    void Int(Writer& w, std::string_view key, int64_t value) {
        Key(w, key);
        w.Int64(value);
    }
    void HexText(Writer& w, std::string_view key, int32_t value) { Text(w, key, Hex(value)); }
    void Title(Writer& w, const std::string& text) {
        if (!text.empty()) {
            Int(w, key::kTitleId, titles_.IdOf(text));
        }
    }
    void Unit(Writer& w, const std::string& text) {
        if (!text.empty()) {
            Int(w, key::kUnitId, units_.IdOf(text));
        }
    }

    // The file's messages, then one more for every list of names that is none of them.
    void CollectMessages() {
        const MessageSpec& spec = *file_.GetMessageSpec();
        for (int32_t m = 0; spec.Messages != nullptr && m < spec.MessageCount; ++m) {
            const MessageInfo& info = spec.Messages[m];
            messages_.push_back(Titles(info.TitleInfo, info.TitleInfoCount));
            pointers_.push_back(info.TitleInfo);
        }
    }

    static std::vector<std::string> Titles(const MsgTitle* titles, int32_t count) {
        std::vector<std::string> texts;
        for (int32_t k = 0; k < count; ++k) {
            texts.push_back(titles == nullptr ? std::string()
                                              : std::string(FieldText(titles[k].Title)));
        }
        return texts;
    }

    // The message a list of names shares its storage with, or one with the same names.
    void MessageOf(Writer& w, const MsgTitle* names, int32_t count) {
        if (names == nullptr || count <= 0) {
            return;
        }
        for (std::size_t m = 0; m < pointers_.size(); ++m) {
            if (pointers_[m] == names) {
                Int(w, key::kMessageId, static_cast<int64_t>(m));
                return;
            }
        }
        const std::vector<std::string> texts = Titles(names, count);
        for (std::size_t m = 0; m < messages_.size(); ++m) {
            if (messages_[m] == texts) {
                Int(w, key::kMessageId, static_cast<int64_t>(m));
                return;
            }
        }
        messages_.push_back(texts);
        pointers_.push_back(names);
        Int(w, key::kMessageId, static_cast<int64_t>(messages_.size() - 1));
    }

    void WriteMessages(Writer& w) {
        w.StartArray();
        for (std::size_t m = 0; m < messages_.size(); ++m) {
            w.StartObject();
            Int(w, key::kId, static_cast<int64_t>(m));
            Key(w, key::kTitleInfo);
            w.StartArray();
            for (const std::string& title : messages_[m]) {
                w.StartObject();
                Title(w, title);
                w.EndObject();
            }
            w.EndArray();
            w.EndObject();
        }
        w.EndArray();
    }

    void WriteDevice(Writer& w) {
        const DeviceInfo& d = *file_.GetDeviceInfo();
        Key(w, key::kDevice);
        w.StartObject();
        Text(w, key::kDataFileVersion, std::string(FieldText(d.DataFileVersion)));
        Int(w, key::kModelNo, d.ModelNo);
        Text(w, key::kModel, std::string(FieldText(d.Model)));
        Text(w, key::kInvSwVersion, std::string(FieldText(d.InvSwVersion)));
        HexText(w, key::kKeypadCommOffset16, d.KeypadCommOffset16);
        if (const ExtendSpec* extend = file_.GetExtendSpec()) {
            HexText(w, key::kKeypadCommOffset32, extend->KeypadCommOffset32);
        }
        HexText(w, key::kModelNoCommAddr, d.ModelNoCommAddr);
        HexText(w, key::kMotorStatusCommAddr, d.MotorStatusCommAddr);
        HexText(w, key::kInvStatusCommAddr, d.InvStatusCommAddr);
        HexText(w, key::kInvControlCommAddr, d.InvControlCommAddr);
        HexText(w, key::kParaSaveCommAddr, d.ParaSaveCommAddr);
        w.EndObject();
    }

    void WriteTerminals(Writer& w, std::string_view key, const TerminalInfo* terminals,
                        int64_t from, int64_t to) {
        Key(w, key);
        w.StartArray();
        for (int64_t k = from; k < to; ++k) {
            w.StartObject();
            if (terminals != nullptr) {
                Title(w, FromCodePage(FieldText(terminals[k].Title)));
                HexText(w, key::kCommAddr, terminals[k].CommAddr);
            }
            w.EndObject();
        }
        w.EndArray();
    }

    void WriteHalf(Writer& w, std::string_view key, int32_t total, int32_t basic,
                   int32_t statusAddr, const TerminalInfo* terminals, const MsgTitle* functions,
                   int32_t functionCount) {
        Key(w, key);
        w.StartObject();
        const int64_t entries = std::max(total, 0);
        const int64_t basicEntries = std::clamp<int64_t>(basic, 0, entries);
        Int(w, key::kTotalNumOfBasic, basic);
        Int(w, key::kTotalNumOfExt, static_cast<int64_t>(total) - basic);
        HexText(w, key::kStatusCommAddr, statusAddr);
        WriteTerminals(w, key::kBasicTerminalInfo, terminals, 0, basicEntries);
        WriteTerminals(w, key::kExtTerminalInfo, terminals, basicEntries, entries);
        MessageOf(w, functions, functionCount);
        w.EndObject();
    }

    void WriteIO(Writer& w) {
        const IOSpec& io = *file_.GetIOSpec();
        Key(w, key::kIO);
        w.StartObject();
        WriteHalf(w, key::kInput, io.InputCount, io.InputBasicCount, io.InputStatusCommAddr,
                  io.InputTerminals, io.InputFuncTitles, io.InputFuncTitleCount);
        WriteHalf(w, key::kOutput, io.OutputCount, io.OutputBasicCount, io.OutputStatusCommAddr,
                  io.OutputTerminals, io.OutputFuncTitles, io.OutputFuncTitleCount);
        w.EndObject();
    }

    // A JSON file keeps its parameter ids; other parameters are numbered after the largest.
    void AssignParamIds() {
        ParamIdMap known;
        file_.GetParamIDS(&known);
        uint32_t next = 1;
        for (const auto& [id, at] : known) {
            paramIds_.emplace(std::make_pair(at.GroupNum, at.CodeNum), id);
            next = std::max(next, id + 1);
        }
        const ParaSpec& para = *file_.GetParaSpec();
        for (int32_t g = 0; para.Groups != nullptr && g < para.GroupCount; ++g) {
            const GroupInfo& group = para.Groups[g];
            for (int32_t p = 0; group.Parameters != nullptr && p < group.ParameterCount; ++p) {
                const auto at = std::make_pair(static_cast<uint32_t>(group.GroupNum),
                                               static_cast<uint32_t>(group.Parameters[p].CodeNum));
                if (paramIds_.emplace(at, next).second) {
                    ++next;
                }
            }
        }
        const int32_t offset = file_.GetDeviceInfo()->KeypadCommOffset16;
        for (const auto& [at, id] : paramIds_) {
            byAddress_.emplace(CommAddress16(offset, at.first, at.second), id);
        }
    }

    void WriteParameter(Writer& w, const GroupInfo& group, const ParamInfo& p) {
        w.StartObject();
        const auto at =
            std::make_pair(static_cast<uint32_t>(group.GroupNum), static_cast<uint32_t>(p.CodeNum));
        Int(w, key::kId, paramIds_.at(at));
        Int(w, key::kCodeNum, p.CodeNum);
        Title(w, FromCodePage(FieldText(p.Title)));
        Int(w, key::kDef, p.Def);
        Int(w, key::kMax, p.Max);
        Int(w, key::kMin, p.Min);
        Int(w, key::kDataType, p.DataType);
        Int(w, key::kPoint32, p.Point32);
        if (p.DataType == kMessageDataType) {
            Int(w, key::kMessageId, p.Point32);
        }
        Unit(w, std::string(FieldText(p.Unit)));
        HexText(w, key::kAttr, p.Attr);
        w.EndObject();
    }

    void WriteGroups(Writer& w) {
        AssignParamIds();
        const ParaSpec& para = *file_.GetParaSpec();
        Key(w, key::kParameterGroups);
        w.StartArray();
        for (int32_t g = 0; para.Groups != nullptr && g < para.GroupCount; ++g) {
            const GroupInfo& group = para.Groups[g];
            w.StartObject();
            Int(w, key::kGroupNum, group.GroupNum);
            Title(w, FromCodePage(FieldText(group.Title)));
            HexText(w, key::kGroupAttr, group.GroupAttr);
            Key(w, key::kParameters);
            w.StartArray();
            for (int32_t p = 0; group.Parameters != nullptr && p < group.ParameterCount; ++p) {
                WriteParameter(w, group, group.Parameters[p]);
            }
            w.EndArray();
            w.EndObject();
        }
        w.EndArray();
    }

    void WriteCommon(Writer& w) {
        const CommonSpec& common = *file_.GetCommonSpec();
        Key(w, key::kCommonParameters);
        w.StartArray();
        for (int32_t k = 0; common.CommonParams != nullptr && k < common.CommonCount; ++k) {
            const CommonInfo& c = common.CommonParams[k];
            w.StartObject();
            HexText(w, key::kCommAddr, c.CommAddr);
            Title(w, FromCodePage(FieldText(c.Title)));
            Int(w, key::kDef, c.Def);
            Int(w, key::kMax, c.Max);
            Int(w, key::kMin, c.Min);
            Int(w, key::kPoint16, c.Point16);
            Unit(w, FromCodePage(FieldText(c.Unit)));
            HexText(w, key::kAttr, c.Attr);
            w.EndObject();
        }
        w.EndArray();
    }

    // A slot that is all zero came from an id that named nothing: -1 keeps it so.
    int32_t StatusIdOf(const StatusInfoData& slot) {
        static const StatusInfoData kEmpty{};
        if (std::memcmp(&slot, &kEmpty, sizeof slot) == 0) {
            return -1;
        }
        const StatusKey key{FromCodePage(FieldText(slot.Title)), slot.DataType, slot.Point16,
                            std::string(FieldText(slot.Unit))};
        const auto [at, added] =
            statusIds_.emplace(key, static_cast<int32_t>(statusIds_.size()) + 1);
        if (added) {
            statusOrder_.push_back(key);
        }
        return at->second;
    }

    void WriteTripHalf(Writer& w, std::string_view key, std::string_view firstKey,
                       std::string_view addrKey, int32_t first, const int32_t* addrs,
                       int32_t addrCount, const StatusInfoData* status, int32_t statusCount,
                       const MsgTitle* names, int32_t nameCount) {
        Key(w, key);
        w.StartObject();
        HexText(w, firstKey, first);
        Key(w, addrKey);
        w.StartArray();
        for (int32_t k = 0; k < addrCount; ++k) {
            const std::string text = Hex(addrs == nullptr ? 0 : addrs[k]);
            w.String(text.c_str());
        }
        w.EndArray();
        Key(w, key::kStatusInfoData);
        w.StartArray();
        for (int32_t k = 0; k < statusCount; ++k) {
            w.StartObject();
            const StatusInfoData empty{};
            const StatusInfoData& slot = status == nullptr ? empty : status[k];
            Int(w, key::kStatusInfoId, StatusIdOf(slot));
            HexText(w, key::kCommAddr, slot.CommAddr);
            w.EndObject();
        }
        w.EndArray();
        MessageOf(w, names, nameCount);
        w.EndObject();
    }

    void WriteTrips(Writer& w) {
        const TripSpec& t = *file_.GetTripSpec();
        rapidjson::StringBuffer halves;
        Writer h(halves);
        h.StartObject();
        WriteTripHalf(h, key::kCurrentTrip, key::kFirstTripAddr, key::kTripAddr, t.FirstTripAddr,
                      t.TripAddr, t.TripAddrCount, t.TripStatusInfoData, t.TripStatusInfoCount,
                      t.TripNames, t.TripCount);
        WriteTripHalf(h, key::kCurrentWarning, key::kFirstWarnAddr, key::kWarnAddr, t.FirstWarnAddr,
                      t.WarnAddr, t.WarnAddrCount, t.WarnStatusInfoData, t.WarnStatusInfoCount,
                      t.WarnNames, t.WarnCount);
        h.EndObject();
        Key(w, key::kTrips);
        w.StartObject();
        Key(w, key::kStatusInfo);
        w.StartArray();
        for (std::size_t k = 0; k < statusOrder_.size(); ++k) {
            const StatusKey& s = statusOrder_[k];
            w.StartObject();
            Int(w, key::kId, static_cast<int64_t>(k + 1));
            Title(w, s.title);
            Int(w, key::kDataType, s.dataType);
            Int(w, key::kPoint16, s.point16);
            Unit(w, s.unit);
            w.EndObject();
        }
        w.EndArray();
        SpliceMembers(w, halves);
        w.EndObject();
    }

    void WriteInitOrder(Writer& w) {
        const InitOrder& order = *file_.GetInitOrder();
        Key(w, key::kInitOrder);
        w.StartArray();
        for (int32_t k = 0; k < order.InitOrderCount; ++k) {
            w.StartObject();
            const int32_t address = order.InitOrderAddrs == nullptr ? 0 : order.InitOrderAddrs[k];
            const auto found = byAddress_.find(static_cast<uint32_t>(address) & 0xFFFFu);
            if (found != byAddress_.end()) {
                Int(w, key::kParameterId, found->second);
            }
            w.EndObject();
        }
        w.EndArray();
    }

    void WriteParamIdList(Writer& w, std::string_view key, const ParamIdEntry* entries,
                          uint32_t count) {
        Key(w, key);
        w.StartArray();
        for (uint32_t k = 0; entries != nullptr && k < count; ++k) {
            w.StartObject();
            Int(w, key::kParametersId, entries[k].ParamId);
            Int(w, key::kIOTypesId, entries[k].IOTypeId);
            Int(w, key::kValue, entries[k].Value);
            w.EndObject();
        }
        w.EndArray();
    }

    static std::string Utf8Of(const std::u16string_view text) {
        return platform::WideToMultiByte(platform::CodePage::Utf8, platform::Utf16ToWide(text));
    }

    void WriteBlock(Writer& w, const FunctionBlock& block, TextTable& comments) {
        static constexpr std::string_view kExpansionTypes[] = {"none", json::kExpansionInput,
                                                               json::kExpansionOutput};
        w.StartObject();
        Text(w, key::kName, Utf8Of(FieldText(block.Name)));
        const uint32_t group = block.BlockId / 100;
        Int(w, key::kGroupsId, group);
        groups_.emplace(group, Utf8Of(FieldText(block.GroupName)));
        Int(w, key::kBlockid, block.BlockId % 100);
        HexText(w, key::kBlockType, block.BlockType);
        Key(w, key::kExpansion);
        w.StartArray();
        for (uint32_t k = 0; block.Expansion != nullptr && k < block.ExpansionCount; ++k) {
            w.StartObject();
            Text(w, key::kExpansionType,
                 std::string(kExpansionTypes[std::min(block.Expansion[k].ExpansionType, 2u)]));
            Int(w, key::kIOTypesId, block.Expansion[k].IOTypeId);
            w.EndObject();
        }
        w.EndArray();
        WriteParamIdList(w, key::kInputParameterIdList, block.InputParameterIdList,
                         block.InputParamCount);
        WriteParamIdList(w, key::kOutputParameterIdList, block.OutputParameterIdList,
                         block.OutputParamCount);
        const std::string comment = Utf8Of(FieldText(block.Comment));
        if (!comment.empty()) {
            Int(w, key::kCommentsId, comments.IdOf(comment));
        }
        w.EndObject();
    }

    // The function blocks of a JSON file, and an empty section for a file without any: the JSON
    // reader requires the section and its five tables.
    void WriteAdvUserSeq(Writer& w) {
        const FunctionBlockCopies blocks(file_);
        Key(w, key::kAdvUserSeq);
        w.StartObject();
        const SpecialParamMap* special = file_.GetSpecialParameter();
        for (const auto& [role, member] : json::kAdvUserSeqRoles) {
            const auto found =
                special == nullptr ? SpecialParamMap::const_iterator() : special->find(role);
            if (special != nullptr && found != special->end() && found->second.ParamId != 0) {
                Key(w, member);
                w.StartObject();
                Int(w, key::kParametersId, found->second.ParamId);
                w.EndObject();
            }
        }
        rapidjson::StringBuffer list;
        Writer l(list);
        TextTable comments;
        l.StartArray();
        for (const FunctionBlock* block : blocks.Blocks()) {
            WriteBlock(l, *block, comments);
        }
        l.EndArray();
        Key(w, key::kBitPinTypes);
        w.StartArray();
        w.EndArray();
        Key(w, key::kIOTypes);
        w.StartArray();
        w.EndArray();
        Key(w, key::kComments);
        comments.Write(w, key::kContents);
        Key(w, key::kGroups);
        w.StartArray();
        for (const auto& [id, name] : groups_) {
            w.StartObject();
            Int(w, key::kId, id);
            Text(w, key::kName, name);
            w.EndObject();
        }
        w.EndArray();
        Key(w, key::kFunctionList);
        SpliceValue(w, list);
        w.EndObject();
    }

    void WriteSimpleScope(Writer& w) {
        const SpecialParamMap* special = file_.GetSpecialParameter();
        if (special == nullptr) {
            return;
        }
        Key(w, key::kSimpleScope);
        w.StartObject();
        for (const auto& [role, member] : json::kScopeRoles) {
            const auto found = special->find(role);
            if (found != special->end()) {
                Key(w, member);
                w.StartObject();
                Int(w, key::kParametersId, found->second.ParamId);
                w.EndObject();
            }
        }
        w.EndObject();
    }

    IDataFile& file_;
    TextTable titles_;
    TextTable units_;
    std::vector<std::vector<std::string>> messages_;
    std::vector<const MsgTitle*> pointers_;
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> paramIds_;
    std::map<uint32_t, uint32_t> byAddress_;
    std::map<StatusKey, int32_t> statusIds_;
    std::vector<StatusKey> statusOrder_;
    std::map<uint32_t, std::string> groups_;
};

}  // namespace

bool WriteTextFile(const std::string& path, const std::string& text, std::string& error) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    const bool written =
        std::fwrite(text.data(), 1, text.size(), out) == text.size() && std::fflush(out) == 0;
    const int reason = errno;
    if (std::fclose(out) != 0 || !written) {
        error = std::strerror(written ? errno : reason);
        return false;
    }
    return true;
}

// By the reader's own rule, so that the reader finds what the writer wrote.
std::string TitlesPathOf(const std::string& path) {
    const std::wstring suffix(json::kTitlesSuffix.begin(), json::kTitlesSuffix.end());
    const std::optional<std::wstring> titles =
        platform::SiblingPath(platform::WidePath(path), suffix);
    return titles ? platform::NativePath(*titles).value_or(std::string()) : std::string();
}

bool WriteJsonDataFile(IDataFile& file, const std::string& path, std::string& error) {
    const auto [data, titles] = JsonForm(file).Write();
    return WriteTextFile(path, data, error) && WriteTextFile(TitlesPathOf(path), titles, error);
}

}  // namespace vqdf
