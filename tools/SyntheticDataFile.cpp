// Writes a complete data file whose every parameter has a title, a unit, a range and an address,
// with enumerated parameters naming messages, through RapidJSON's writer.
#include "SyntheticDataFile.h"

#include <rapidjson/filewritestream.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace vqdf::tools {
namespace {

using Writer = rapidjson::Writer<rapidjson::FileWriteStream>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Writes one document to a file through a callback that fills the writer.
template <typename Fill>
void WriteDocument(const std::filesystem::path& path, Fill fill) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        throw std::runtime_error("cannot write " + path.string());
    }
    char buffer[65536];
    rapidjson::FileWriteStream stream(file.get(), buffer, sizeof buffer);
    Writer writer(stream);
    fill(writer);
    stream.Flush();
}

void Key(Writer& w, const char* key, int value) {
    w.Key(key);
    w.Int(value);
}

void Key(Writer& w, const char* key, const std::string& value) {
    w.Key(key);
    w.String(value.c_str(), static_cast<rapidjson::SizeType>(value.size()));
}

std::string Hex(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFF);
    return text;
}

// Title ids: parameters from 1, messages after them, groups after those.
int ParamTitleId(const SyntheticSize& s, int g, int p) { return 1 + g * s.parametersPerGroup + p; }
int MessageTitleId(const SyntheticSize& s, int t) {
    return 1 + s.groups * s.parametersPerGroup + t;
}
int GroupTitleId(const SyntheticSize& s, int g) {
    return MessageTitleId(s, s.titlesPerMessage) + g;
}

void WriteParameter(Writer& w, const SyntheticSize& s, int g, int p) {
    w.StartObject();
    Key(w, "id", g * s.parametersPerGroup + p + 1);
    Key(w, "CodeNum", p);
    Key(w, "Title::id", ParamTitleId(s, g, p));
    if (p % 10 == 3) {
        Key(w, "AtValue", std::to_string(p % 8 + 1));
    }
    Key(w, "Def", p * 10);
    Key(w, "Max", 60000);
    Key(w, "Min", -p);
    const bool enumerated = s.messages > 0 && p % 7 == 0;
    Key(w, "DataType", enumerated ? 255 : 2);
    Key(w, "Point32", p % 3);
    if (enumerated) {
        Key(w, "Message::id", p % s.messages);
    }
    Key(w, "Unit::id", p % 8 + 1);
    Key(w, "Attr", Hex(p % 4));
    w.EndObject();
}

void WriteGroups(Writer& w, const SyntheticSize& s) {
    w.Key("ParameterGroups");
    w.StartArray();
    for (int g = 0; g < s.groups; ++g) {
        w.StartObject();
        Key(w, "GroupNum", g);
        Key(w, "Title::id", GroupTitleId(s, g));
        Key(w, "GroupAttr", Hex(0x8000));
        w.Key("Parameters");
        w.StartArray();
        for (int p = 0; p < s.parametersPerGroup; ++p) {
            WriteParameter(w, s, g, p);
        }
        w.EndArray();
        w.EndObject();
    }
    w.EndArray();
}

void WriteMessages(Writer& w, const SyntheticSize& s) {
    w.Key("Messages");
    w.StartArray();
    for (int m = 0; m < s.messages; ++m) {
        w.StartObject();
        Key(w, "id", m);
        w.Key("TitleInfo");
        w.StartArray();
        for (int t = 0; t < s.titlesPerMessage; ++t) {
            w.StartObject();
            Key(w, "Title::id", MessageTitleId(s, t));
            w.EndObject();
        }
        w.EndArray();
        w.EndObject();
    }
    w.EndArray();
}

void WriteSmallSections(Writer& w) {
    static const char* const kUnits[] = {"Hz", "sec", "%", "A", "V", "kW", "rpm", "ms"};
    w.Key("Units");
    w.StartArray();
    for (int u = 0; u < 8; ++u) {
        w.StartObject();
        Key(w, "id", u + 1);
        Key(w, "Text", kUnits[u]);
        w.EndObject();
    }
    w.EndArray();
    w.Key("Device");
    w.StartObject();
    Key(w, "Model", std::string("SYN-1"));
    Key(w, "KeypadCommOffset16", Hex(0x1000));
    Key(w, "KeypadCommOffset32", Hex(0x2000));
    w.EndObject();
    w.Key("IO");
    w.StartObject();
    w.EndObject();
    w.Key("CommonParameters");
    w.StartArray();
    w.EndArray();
    w.Key("Trips");
    w.StartObject();
    w.EndObject();
    w.Key("InitOrder");
    w.StartArray();
    for (int id = 1; id <= 20; ++id) {
        w.StartObject();
        Key(w, "Parameter::id", id);
        w.EndObject();
    }
    w.EndArray();
    w.Key("AdvUserSeq");
    w.StartObject();
    for (const char* table : {"BitPinTypes", "IOTypes", "Comments", "Groups", "FunctionList"}) {
        w.Key(table);
        w.StartArray();
        w.EndArray();
    }
    w.EndObject();
}

void WriteTitles(Writer& w, const SyntheticSize& s) {
    w.StartObject();
    w.Key("Titles");
    w.StartArray();
    const int last = GroupTitleId(s, s.groups);
    for (int id = 1; id < last; ++id) {
        w.StartObject();
        Key(w, "id", id);
        Key(w, "Text", id % 10 == 4 ? "Step Speed @" : "Title " + std::to_string(id) + " Group");
        w.EndObject();
    }
    w.EndArray();
    w.EndObject();
}

}  // namespace

std::filesystem::path WriteSyntheticDataFile(const std::filesystem::path& dir,
                                             const std::string& stem, const SyntheticSize& size) {
    const std::filesystem::path data = dir / (stem + ".json");
    WriteDocument(data, [&](Writer& w) {
        w.StartObject();
        WriteSmallSections(w);
        WriteMessages(w, size);
        WriteGroups(w, size);
        w.EndObject();
    });
    WriteDocument(dir / (stem + "_Title.json"), [&](Writer& w) { WriteTitles(w, size); });
    return data;
}

}  // namespace vqdf::tools
