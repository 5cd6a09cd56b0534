// Every record and table of a loaded file as one document, members in a fixed order (the order
// of the record fields), so that two dumps compare line by line and two files field by field.
#include <rapidjson/filewritestream.h>
#include <rapidjson/prettywriter.h>

#include <array>

#include "DataFileApi.h"

namespace vqdf::api {
namespace {

// The walk's writing side: keys and values to a sink, arrays from their entries.
class DumpWriter {
public:
    explicit DumpWriter(RecordSink& sink) : sink_(sink) {}

    void Int(std::string_view key, int64_t value) {
        sink_.Key(key);
        sink_.Int(value);
    }
    void Text(std::string_view key, const std::string& value) {
        sink_.Key(key);
        sink_.Text(value);
    }
    void StartObject(std::string_view key = {}) {
        if (!key.empty()) {
            sink_.Key(key);
        }
        sink_.StartObject();
    }
    void EndObject() { sink_.EndObject(); }
    void Null(std::string_view key) {
        sink_.Key(key);
        sink_.Null();
    }

    // An array of count entries, or null when the pointer is; each entry written by write.
    template <typename T, typename Write>
    void Array(std::string_view key, const T* entries, int64_t count, Write write) {
        sink_.Key(key);
        if (entries == nullptr) {
            sink_.Null();
            return;
        }
        sink_.StartArray();
        for (int64_t k = 0; k < count; ++k) {
            write(entries[k]);
        }
        sink_.EndArray();
    }
    void Value(int64_t value) { sink_.Int(value); }
    void Value(const std::string& value) { sink_.Text(value); }

private:
    RecordSink& sink_;
};

void DumpDevice(DumpWriter& w, const DeviceInfo& d) {
    w.StartObject("DeviceInfo");
    w.Text("DataFileVersion", Utf8Text(d.DataFileVersion));
    w.Int("ModelNo", d.ModelNo);
    w.Text("Model", Utf8Text(d.Model));
    w.Text("InvSwVersion", Utf8Text(d.InvSwVersion));
    w.Int("Reserved1", d.Reserved1);
    w.Int("Reserved2", d.Reserved2);
    w.Int("Reserved3", d.Reserved3);
    w.Int("KeypadCommOffset16", d.KeypadCommOffset16);
    w.Int("DiagNumberCount", d.DiagNumberCount);
    w.Int("ModelNoCommAddr", d.ModelNoCommAddr);
    w.Int("Reserved4", d.Reserved4);
    w.Int("MotorStatusCommAddr", d.MotorStatusCommAddr);
    w.Int("InvStatusCommAddr", d.InvStatusCommAddr);
    w.Int("InvControlCommAddr", d.InvControlCommAddr);
    w.Int("ParaSaveCommAddr", d.ParaSaveCommAddr);
    w.Array("DiagNumbers", d.DiagNumbers, d.DiagNumberCount, [&](int32_t v) { w.Value(v); });
    w.EndObject();
}

void DumpTitles(DumpWriter& w, std::string_view key, const MsgTitle* titles, int32_t count) {
    w.Array(key, titles, count, [&](const MsgTitle& t) { w.Value(Utf8Text(t.Title)); });
}

void DumpTerminals(DumpWriter& w, std::string_view key, const TerminalInfo* terminals,
                   int32_t count) {
    w.Array(key, terminals, count, [&](const TerminalInfo& t) {
        w.StartObject();
        w.Text("Title", CodePageText(t.Title));
        w.Int("CommAddr", t.CommAddr);
        w.EndObject();
    });
}

void DumpIO(DumpWriter& w, const IOSpec& io) {
    w.StartObject("IOSpec");
    w.Int("InputCount", io.InputCount);
    w.Int("InputBasicCount", io.InputBasicCount);
    w.Int("InputFuncTitleCount", io.InputFuncTitleCount);
    w.Int("OutputCount", io.OutputCount);
    w.Int("OutputBasicCount", io.OutputBasicCount);
    w.Int("OutputFuncTitleCount", io.OutputFuncTitleCount);
    w.Int("InputStatusCommAddr", io.InputStatusCommAddr);
    w.Int("OutputStatusCommAddr", io.OutputStatusCommAddr);
    DumpTerminals(w, "InputTerminals", io.InputTerminals, io.InputCount);
    DumpTerminals(w, "OutputTerminals", io.OutputTerminals, io.OutputCount);
    DumpTitles(w, "InputFuncTitles", io.InputFuncTitles, io.InputFuncTitleCount);
    DumpTitles(w, "OutputFuncTitles", io.OutputFuncTitles, io.OutputFuncTitleCount);
    w.EndObject();
}

void DumpStatus(DumpWriter& w, std::string_view key, const StatusInfoData* data, int32_t count) {
    w.Array(key, data, count, [&](const StatusInfoData& s) {
        w.StartObject();
        w.Int("CommAddr", s.CommAddr);
        w.Text("Title", CodePageText(s.Title));
        w.Int("DataType", s.DataType);
        w.Int("Point16", s.Point16);
        w.Text("Unit", Utf8Text(s.Unit));
        w.EndObject();
    });
}

void DumpTrips(DumpWriter& w, const TripSpec& t) {
    w.StartObject("TripSpec");
    w.Int("TripCount", t.TripCount);
    w.Int("FirstTripAddr", t.FirstTripAddr);
    w.Int("TripAddrCount", t.TripAddrCount);
    w.Int("TripStatusInfoCount", t.TripStatusInfoCount);
    w.Int("WarnCount", t.WarnCount);
    w.Int("FirstWarnAddr", t.FirstWarnAddr);
    w.Int("WarnAddrCount", t.WarnAddrCount);
    w.Int("WarnStatusInfoCount", t.WarnStatusInfoCount);
    DumpStatus(w, "TripStatusInfoData", t.TripStatusInfoData, t.TripStatusInfoCount);
    DumpStatus(w, "WarnStatusInfoData", t.WarnStatusInfoData, t.WarnStatusInfoCount);
    DumpTitles(w, "TripNames", t.TripNames, t.TripCount);
    DumpTitles(w, "WarnNames", t.WarnNames, t.WarnCount);
    w.Array("TripAddr", t.TripAddr, t.TripAddrCount, [&](int32_t v) { w.Value(v); });
    w.Array("WarnAddr", t.WarnAddr, t.WarnAddrCount, [&](int32_t v) { w.Value(v); });
    w.EndObject();
}

void DumpMessages(DumpWriter& w, const MessageSpec& m) {
    w.StartObject("MessageSpec");
    w.Int("MessageCount", m.MessageCount);
    w.Array("Messages", m.Messages, m.MessageCount, [&](const MessageInfo& info) {
        w.StartObject();
        w.Int("TitleInfoCount", info.TitleInfoCount);
        DumpTitles(w, "TitleInfo", info.TitleInfo, info.TitleInfoCount);
        w.EndObject();
    });
    w.EndObject();
}

void DumpCommon(DumpWriter& w, const CommonSpec& c) {
    w.StartObject("CommonSpec");
    w.Int("CommonCount", c.CommonCount);
    w.Array("CommonParams", c.CommonParams, c.CommonCount, [&](const CommonInfo& p) {
        w.StartObject();
        w.Int("CommAddr", p.CommAddr);
        w.Text("Title", CodePageText(p.Title));
        w.Int("Def", p.Def);
        w.Int("Max", p.Max);
        w.Int("Min", p.Min);
        w.Int("Reserved", p.Reserved);
        w.Int("Point16", p.Point16);
        w.Text("Unit", CodePageText(p.Unit));
        w.Int("Attr", p.Attr);
        w.EndObject();
    });
    w.EndObject();
}

void DumpParameter(DumpWriter& w, const ParamInfo& p) {
    w.StartObject();
    w.Int("CodeNum", p.CodeNum);
    w.Text("Title", CodePageText(p.Title));
    w.Text("AltTitle", CodePageText(p.AltTitle));
    w.Int("Def", p.Def);
    w.Int("Max", p.Max);
    w.Int("Min", p.Min);
    w.Int("DataType", p.DataType);
    w.Int("Point32", p.Point32);
    w.Text("Unit", Utf8Text(p.Unit));
    w.Int("Attr", p.Attr);
    w.EndObject();
}

void DumpGroups(DumpWriter& w, const ParaSpec& para) {
    w.StartObject("ParaSpec");
    w.Int("GroupCount", para.GroupCount);
    w.Array("Groups", para.Groups, para.GroupCount, [&](const GroupInfo& g) {
        w.StartObject();
        w.Int("GroupNum", g.GroupNum);
        w.Text("Title", CodePageText(g.Title));
        w.Int("GroupAttr", g.GroupAttr);
        w.Int("ParameterCount", g.ParameterCount);
        w.Array("Parameters", g.Parameters, g.ParameterCount,
                [&](const ParamInfo& p) { DumpParameter(w, p); });
        w.EndObject();
    });
    w.EndObject();
}

void DumpInitOrder(DumpWriter& w, const InitOrder& order) {
    w.StartObject("InitOrder");
    w.Int("InitOrderCount", order.InitOrderCount);
    w.Array("InitOrderAddrs", order.InitOrderAddrs, order.InitOrderCount,
            [&](int32_t v) { w.Value(v); });
    w.EndObject();
}

void DumpParamIdEntries(DumpWriter& w, std::string_view key, const ParamIdEntry* entries,
                        uint32_t count) {
    w.Array(key, entries, count, [&](const ParamIdEntry& e) {
        w.StartObject();
        w.Int("ParamId", e.ParamId);
        w.Int("IOTypeId", e.IOTypeId);
        w.Int("Value", e.Value);
        w.EndObject();
    });
}

void DumpFunctionBlocks(DumpWriter& w, const DataFile& file) {
    const FunctionBlockList copies = file.FunctionBlocks();
    const std::vector<FunctionBlock*>& blocks = copies.Blocks();
    w.Array("FunctionBlocks", blocks.data(), static_cast<int64_t>(blocks.size()),
            [&](const FunctionBlock* b) {
                w.StartObject();
                w.Int("BlockId", b->BlockId);
                w.Text("Name", Utf16Text(b->Name));
                w.Text("GroupName", Utf16Text(b->GroupName));
                w.Int("BlockType", b->BlockType);
                w.Int("ExpansionCount", b->ExpansionCount);
                w.Array("Expansion", b->Expansion, b->ExpansionCount, [&](const ExpansionEntry& e) {
                    w.StartObject();
                    w.Int("ExpansionType", e.ExpansionType);
                    w.Int("IOTypeId", e.IOTypeId);
                    w.EndObject();
                });
                w.Int("InputParamCount", b->InputParamCount);
                DumpParamIdEntries(w, "InputParameterIdList", b->InputParameterIdList,
                                   b->InputParamCount);
                w.Int("OutputParamCount", b->OutputParamCount);
                DumpParamIdEntries(w, "OutputParameterIdList", b->OutputParameterIdList,
                                   b->OutputParamCount);
                w.Text("Comment", Utf16Text(b->Comment));
                w.EndObject();
            });
}

// The tables only a JSON data file has; a legacy file gives null for each.
void DumpJsonOnly(DumpWriter& w, const DataFile& file) {
    if (const ExtendSpec* extend = file.Extend()) {
        w.StartObject("ExtendSpec");
        w.Int("KeypadCommOffset32", extend->KeypadCommOffset32);
        w.EndObject();
    } else {
        w.Null("ExtendSpec");
    }
    const SpecialParamMap* special = file.SpecialParameters();
    if (special != nullptr) {
        std::vector<std::pair<uint32_t, SpecialParam>> roles(special->begin(), special->end());
        w.Array("SpecialParameters", roles.data(), static_cast<int64_t>(roles.size()),
                [&](const std::pair<uint32_t, SpecialParam>& role) {
                    w.StartObject();
                    w.Int("Role", role.first);
                    w.Int("ParamId", role.second.ParamId);
                    w.Int("CommAddr", role.second.CommAddr);
                    w.EndObject();
                });
    } else {
        w.Null("SpecialParameters");
    }
    const ParamIdMap ids = file.ParamIds();
    if (!ids.empty()) {
        std::vector<std::pair<uint32_t, ParamLocation>> entries(ids.begin(), ids.end());
        w.Array("ParamIds", entries.data(), static_cast<int64_t>(entries.size()),
                [&](const std::pair<uint32_t, ParamLocation>& entry) {
                    w.StartObject();
                    w.Int("ParamId", entry.first);
                    w.Int("GroupNum", entry.second.GroupNum);
                    w.Int("CodeNum", entry.second.CodeNum);
                    w.EndObject();
                });
    } else {
        w.Null("ParamIds");
    }
    DumpFunctionBlocks(w, file);
}

}  // namespace

void WalkRecords(const DataFile& file, RecordSink& sink) {
    DumpWriter w(sink);
    w.StartObject();
    w.Int("DumpVersion", 1);
    w.Text("Format", FormatName(file.GetFormat()));
    DumpDevice(w, file.Device());
    DumpIO(w, file.IO());
    DumpTrips(w, file.Trips());
    DumpMessages(w, file.Messages());
    DumpCommon(w, file.Common());
    DumpGroups(w, file.Parameters());
    DumpInitOrder(w, file.Init());
    DumpJsonOnly(w, file);
    w.Int("ParaStatusNum", file.ParaStatusNum());
    w.Int("ParaControlNum", file.ParaControlNum());
    w.Int("ReservedCount", file.ReservedCount());
    w.EndObject();
}

namespace {

// The walk as indented JSON text.
class DumpText : public RecordSink {
public:
    explicit DumpText(rapidjson::FileWriteStream& stream) : writer_(stream) {
        writer_.SetIndent(' ', 2);
    }
    void StartObject() override { writer_.StartObject(); }
    void EndObject() override { writer_.EndObject(); }
    void StartArray() override { writer_.StartArray(); }
    void EndArray() override { writer_.EndArray(); }
    void Key(std::string_view key) override {
        writer_.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
    }
    void Int(int64_t value) override { writer_.Int64(value); }
    void Text(std::string_view utf8) override {
        writer_.String(utf8.data(), static_cast<rapidjson::SizeType>(utf8.size()));
    }
    void Null() override { writer_.Null(); }

private:
    rapidjson::PrettyWriter<rapidjson::FileWriteStream> writer_;
};

}  // namespace

// Written as it goes: a file that declares millions of records gives a dump of gigabytes, which
// need not be held in memory.
bool WriteDump(const DataFile& file, std::FILE* out) {
    std::array<char, 65536> buffer;
    rapidjson::FileWriteStream stream(out, buffer.data(), buffer.size());
    DumpText text(stream);
    WalkRecords(file, text);
    stream.Put('\n');
    stream.Flush();
    return std::fflush(out) == 0 && std::ferror(out) == 0;
}

}  // namespace vqdf::api
