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
#include <set>
#include <tuple>
#include <vector>

#include "json/DataFileV2.h"
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

// Every buffer and parse of the writer takes its memory through the checked allocation functions:
// memory that runs out ends the write with std::bad_alloc, which fails it.
using Writer = rapidjson::PrettyWriter<json::Buffer, rapidjson::UTF8<>, rapidjson::UTF8<>,
                                       json::ParserAllocator>;

void Key(Writer& w, std::string_view key) {
    w.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
}

std::string FromCodePage(std::string_view bytes) {
    return platform::WideToMultiByte(
        platform::CodePage::Utf8, platform::MultiByteToWide(platform::CodePage::SystemAnsi, bytes));
}

// Parts are written apart where a table they name grows while they are written, and spliced in
// after the table: a whole value, or the members of an object.
void SpliceValue(Writer& w, const json::Buffer& buffer) {
    json::Document parsed;
    parsed.Parse(buffer.GetString(), buffer.GetSize());
    parsed.Accept(w);
}

void SpliceMembers(Writer& w, const json::Buffer& buffer) {
    json::Document parsed;
    parsed.Parse(buffer.GetString(), buffer.GetSize());
    for (const auto& member : parsed.GetObject()) {
        w.Key(member.name.GetString(), member.name.GetStringLength());
        member.value.Accept(w);
    }
}

std::string Hex(int32_t value) { return json::FormatHexText(static_cast<uint32_t>(value)); }

// Texts by id: those entered with their ids, and new ones numbered after the largest in the order
// they are first met; a text already there keeps its first id. Ids are written as the reader
// reads them, 32-bit patterns in signed numbers.
class TextTable {
public:
    void Set(uint32_t id, const std::string& text) {
        texts_.emplace(id, text);
        ids_.emplace(text, id);
    }
    uint32_t IdOf(const std::string& text) {
        const uint32_t next = texts_.empty() ? 1 : texts_.rbegin()->first + 1;
        const auto [at, added] = ids_.emplace(text, next);
        if (added) {
            texts_.emplace(next, text);
        }
        return at->second;
    }
    void Write(Writer& w, std::string_view textKey) const {
        w.StartArray();
        for (const auto& [id, text] : texts_) {
            w.StartObject();
            Key(w, key::kId);
            w.Int(static_cast<int32_t>(id));
            Key(w, textKey);
            w.String(text.c_str(), static_cast<rapidjson::SizeType>(text.size()));
            w.EndObject();
        }
        w.EndArray();
    }

private:
    std::map<std::string, uint32_t> ids_;
    std::map<uint32_t, std::string> texts_;
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

// Names of the user sequence are read in the thread's 8-bit code page: they are written as the
// bytes that read back as the same name.
std::string ThreadCodePageBytes(const std::wstring& name) {
    return platform::WideToMultiByte(platform::CodePage::ThreadAnsi, name);
}

class JsonForm {
public:
    explicit JsonForm(IDataFile& file)
        : file_(file), source_(dynamic_cast<const CDataFileV2*>(&file)) {}

    // Both documents; the sections are written first so that every table they name is complete.
    std::pair<std::string, std::string> Write() {
        json::Buffer sections;
        Writer body(sections);
        WriteSections(body);
        json::Buffer data;
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
        json::Buffer titles;
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
    // Ids are read as signed 32-bit numbers and taken as their bit pattern.
    void Id(Writer& w, std::string_view key, uint32_t id) { Int(w, key, static_cast<int32_t>(id)); }
    // An id of 0 that names nothing is what an absent id leaves: written as none, so that the
    // reader finds nothing to report.
    void IdUnlessNone(Writer& w, std::string_view key, uint32_t id, bool names) {
        if (id != 0 || names) {
            Id(w, key, id);
        }
    }
    void Title(Writer& w, const std::string& text) {
        if (!text.empty()) {
            Int(w, key::kTitleId, static_cast<int32_t>(titles_.IdOf(text)));
        }
    }
    void Unit(Writer& w, const std::string& text) {
        if (!text.empty()) {
            Int(w, key::kUnitId, static_cast<int32_t>(units_.IdOf(text)));
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
        // Counts the source's "Device" gave; counts found by title are found again by title.
        const auto [statusCount, controlCount] =
            source_ != nullptr ? source_->DeviceCounts() : std::pair(0, 0);
        if (statusCount != 0) {
            Int(w, key::kParaStatusNum, statusCount);
        }
        if (controlCount != 0) {
            Int(w, key::kParaControlNum, controlCount);
        }
        w.EndObject();
    }

    void WriteTerminals(Writer& w, std::string_view key, const TerminalInfo* terminals,
                        int64_t from, int64_t to) {
        // A count without its table reads back from the totals alone, as the reader makes the
        // table the totals ask for whatever the lists hold: no entry is written for it.
        Key(w, key);
        w.StartArray();
        for (int64_t k = from; terminals != nullptr && k < to; ++k) {
            w.StartObject();
            Title(w, FromCodePage(FieldText(terminals[k].Title)));
            HexText(w, key::kCommAddr, terminals[k].CommAddr);
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
        // The reader adds the two in 32 bits, wrapping.
        Int(w, key::kTotalNumOfExt,
            static_cast<int32_t>(static_cast<uint32_t>(total) - static_cast<uint32_t>(basic)));
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

    // A JSON file keeps its parameter ids, and a parameter it gave no id stays without one; the
    // parameters of other files get ids no parameter has. Where two parameters share a group and
    // code, each takes one of the ids of that place in turn.
    void AssignParamIds() {
        ParamIdMap known;
        file_.GetParamIDS(&known);
        std::map<std::pair<uint32_t, uint32_t>, std::vector<uint32_t>> idsAt;
        for (const auto& [id, at] : known) {
            idsAt[{at.GroupNum, at.CodeNum}].push_back(id);
            usedIds_.insert(id);
        }
        uint32_t next = 1;
        const ParaSpec& para = *file_.GetParaSpec();
        const int32_t offset = file_.GetDeviceInfo()->KeypadCommOffset16;
        for (int32_t g = 0; para.Groups != nullptr && g < para.GroupCount; ++g) {
            const GroupInfo& group = para.Groups[g];
            std::vector<std::optional<uint32_t>>& ids = idsOf_.emplace_back();
            for (int32_t p = 0; group.Parameters != nullptr && p < group.ParameterCount; ++p) {
                const auto at = std::make_pair(static_cast<uint32_t>(group.GroupNum),
                                               static_cast<uint32_t>(group.Parameters[p].CodeNum));
                std::vector<uint32_t>& free = idsAt[at];
                if (free.empty() && source_ != nullptr) {
                    ids.emplace_back();
                    continue;
                }
                if (free.empty()) {
                    while (usedIds_.count(next) != 0) {
                        ++next;
                    }
                    free.push_back(next);
                    usedIds_.insert(next);
                }
                ids.emplace_back(free.front());
                free.erase(free.begin());
                byAddress_.emplace(CommAddress16(offset, at.first, at.second), *ids.back());
            }
        }
    }

    void WriteParameter(Writer& w, const ParamInfo& p, std::optional<uint32_t> id) {
        w.StartObject();
        if (id) {
            Id(w, key::kId, *id);
        }
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
                WriteParameter(w, group.Parameters[p],
                               idsOf_[static_cast<std::size_t>(g)][static_cast<std::size_t>(p)]);
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
        json::Buffer halves;
        Writer h(halves);
        h.StartObject();
        WriteTripHalf(h, key::kCurrentTrip, key::kFirstTripAddr, key::kTripAddr, t.FirstTripAddr,
                      t.TripAddr, t.TripAddrCount, t.TripStatusInfoData, t.TripStatusInfoCount,
                      t.TripNames, t.TripCount);
        WriteTripHalf(h, key::kCurrentWarning, key::kFirstWarnAddr, key::kWarnAddr, t.FirstWarnAddr,
                      t.WarnAddr, t.WarnAddrCount, t.WarnStatusInfoData, t.WarnStatusInfoCount,
                      t.WarnNames, t.WarnCount);
        if (source_ != nullptr && !source_->TripHistoryText().empty()) {
            const std::string& history = source_->TripHistoryText();
            Key(h, key::kTripHistory);
            h.RawValue(history.c_str(), history.size(), rapidjson::kObjectType);
        }
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

    // Each address as the id of its parameter. An entry without an id takes no place of its own,
    // so the trailing zeros that no parameter owns are written as entries without one, which
    // leave the last places zero; a zero before them needs an id that names no parameter.
    void WriteInitOrder(Writer& w) {
        const InitOrder& order = *file_.GetInitOrder();
        const auto parameterAt = [&](int32_t k) {
            const int32_t address = order.InitOrderAddrs == nullptr ? 0 : order.InitOrderAddrs[k];
            const auto found = byAddress_.find(static_cast<uint32_t>(address) & 0xFFFFu);
            return found == byAddress_.end() ? std::nullopt : std::optional(found->second);
        };
        int32_t named = order.InitOrderCount;
        while (named > 0 && !parameterAt(named - 1)) {
            --named;
        }
        Key(w, key::kInitOrder);
        w.StartArray();
        for (int32_t k = 0; k < order.InitOrderCount; ++k) {
            w.StartObject();
            if (const auto id = parameterAt(k)) {
                Id(w, key::kParameterId, *id);
            } else if (k < named) {
                Id(w, key::kParameterId, UnusedId());
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
            IdUnlessNone(w, key::kParametersId, entries[k].ParamId, ParamIdExists(0));
            IdUnlessNone(w, key::kIOTypesId, entries[k].IOTypeId, IOTypeExists(0));
            Int(w, key::kValue, entries[k].Value);
            w.EndObject();
        }
        w.EndArray();
    }

    static std::string Utf8Of(const std::u16string_view text) {
        return platform::WideToMultiByte(platform::CodePage::Utf8, platform::Utf16ToWide(text));
    }

    // The id of a group of that name, or else one that no group and no block's number takes.
    uint32_t GroupIdNamed(const std::wstring& name) {
        for (const auto& [id, text] : groups_) {
            if (text == name) {
                return id;
            }
        }
        return freeGroupId_++;
    }

    void WriteBlock(Writer& w, const FunctionBlock& block, TextTable& comments) {
        static constexpr std::string_view kExpansionTypes[] = {"none", json::kExpansionInput,
                                                               json::kExpansionOutput};
        w.StartObject();
        Text(w, key::kName, Utf8Of(FieldText(block.Name)));
        std::wstring groupName = platform::Utf16ToWide(FieldText(block.GroupName));
        // A block read without a number has number 0 whatever its group, so a block numbered 0
        // keeps its group's name only written that way: under an id of that name, no number.
        const bool unnumbered = block.BlockId == 0 && !groupName.empty();
        const uint32_t group = unnumbered ? GroupIdNamed(groupName) : block.BlockId / 100;
        Id(w, key::kGroupsId, group);
        groups_.emplace(group, std::move(groupName));
        if (!unnumbered) {
            Int(w, key::kBlockid, block.BlockId % 100);
        }
        HexText(w, key::kBlockType, block.BlockType);
        Key(w, key::kExpansion);
        w.StartArray();
        for (uint32_t k = 0; block.Expansion != nullptr && k < block.ExpansionCount; ++k) {
            w.StartObject();
            Text(w, key::kExpansionType,
                 std::string(kExpansionTypes[std::min(block.Expansion[k].ExpansionType, 2u)]));
            IdUnlessNone(w, key::kIOTypesId, block.Expansion[k].IOTypeId, IOTypeExists(0));
            w.EndObject();
        }
        w.EndArray();
        WriteParamIdList(w, key::kInputParameterIdList, block.InputParameterIdList,
                         block.InputParamCount);
        WriteParamIdList(w, key::kOutputParameterIdList, block.OutputParameterIdList,
                         block.OutputParamCount);
        const std::string comment = Utf8Of(FieldText(block.Comment));
        if (!comment.empty()) {
            Int(w, key::kCommentsId, static_cast<int32_t>(comments.IdOf(comment)));
        }
        w.EndObject();
    }

    uint32_t UnusedId() const {
        uint32_t id = 0;
        while (usedIds_.count(id) != 0) {
            ++id;
        }
        return id;
    }

    bool IOTypeExists(uint32_t id) const {
        return source_ != nullptr && source_->AdvUserSeq().IOTypes().count(id) != 0;
    }
    bool ParamIdExists(uint32_t id) const { return usedIds_.count(id) != 0; }

    // A table of names by id, each as the bytes the reader reads back as the name.
    void WriteNames(Writer& w, const std::map<uint32_t, std::wstring>& names) {
        w.StartArray();
        for (const auto& [id, name] : names) {
            w.StartObject();
            Int(w, key::kId, static_cast<int32_t>(id));
            Key(w, key::kName);
            const std::string bytes = ThreadCodePageBytes(name);
            w.String(bytes.c_str(), static_cast<rapidjson::SizeType>(bytes.size()));
            w.EndObject();
        }
        w.EndArray();
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
                Id(w, key::kParametersId, found->second.ParamId);
                w.EndObject();
            }
        }
        // The name tables of a JSON source as they were, ids kept, so that every id its blocks
        // name still names its entry; what the blocks add comes after.
        const CAdvUserSeqDB* model = source_ != nullptr ? &source_->AdvUserSeq() : nullptr;
        const CAdvUserSeqDB::NameTable none;
        TextTable comments;
        for (const auto& [id, text] : model != nullptr ? model->Comments() : none) {
            comments.Set(id, platform::WideToMultiByte(platform::CodePage::Utf8, text));
        }
        if (model != nullptr) {
            groups_ = model->Groups();
        }
        freeGroupId_ = groups_.empty() ? 1 : groups_.rbegin()->first + 1;
        for (const FunctionBlock* block : blocks.Blocks()) {
            freeGroupId_ = std::max(freeGroupId_, block->BlockId / 100 + 1);
        }
        json::Buffer list;
        Writer l(list);
        l.StartArray();
        for (const FunctionBlock* block : blocks.Blocks()) {
            WriteBlock(l, *block, comments);
        }
        l.EndArray();
        Key(w, key::kBitPinTypes);
        WriteNames(w, model != nullptr ? model->BitPinTypes() : none);
        Key(w, key::kIOTypes);
        WriteNames(w, model != nullptr ? model->IOTypes() : none);
        Key(w, key::kComments);
        comments.Write(w, key::kContents);
        Key(w, key::kGroups);
        WriteNames(w, groups_);
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
                Id(w, key::kParametersId, found->second.ParamId);
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
    std::vector<std::vector<std::optional<uint32_t>>> idsOf_;  // by group and parameter
    std::set<uint32_t> usedIds_;
    std::map<uint32_t, uint32_t> byAddress_;
    std::map<StatusKey, int32_t> statusIds_;
    std::vector<StatusKey> statusOrder_;
    std::map<uint32_t, std::wstring> groups_;
    uint32_t freeGroupId_ = 1;
    const CDataFileV2* source_;
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
    std::string data;
    std::string titles;
    try {
        std::tie(data, titles) = JsonForm(file).Write();
    } catch (const std::bad_alloc&) {
        error = "the memory to write " + path + " ran out";
        return false;
    }
    return WriteTextFile(path, data, error) && WriteTextFile(TitlesPathOf(path), titles, error);
}

}  // namespace vqdf
