// Writes a complete data file whose every parameter has a title, a unit, a range and an address,
// with enumerated parameters naming messages, through RapidJSON's writer.
#include "json/SyntheticDataFile.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "json/JsonFormat.h"
#include "json/JsonValue.h"
#include "json/JsonWriter.h"

namespace vqdf {

namespace key = json::key;
namespace {

using Writer = rapidjson::Writer<rapidjson::StringBuffer>;

// Writes one document to a file through a callback that fills the writer.
template <typename Fill>
void WriteDocument(const std::filesystem::path& path, Fill fill) {
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    fill(writer);
    std::string error;
    if (!WriteTextFile(path.string(), std::string(buffer.GetString(), buffer.GetSize()), error)) {
        throw std::runtime_error("cannot write " + path.string() + ": " + error);
    }
}

void Key(Writer& w, std::string_view key) {
    w.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
}

void Key(Writer& w, std::string_view key, int value) {
    Key(w, key);
    w.Int(value);
}

void Key(Writer& w, std::string_view key, const std::string& value) {
    Key(w, key);
    w.String(value.c_str(), static_cast<rapidjson::SizeType>(value.size()));
}

std::string Hex(int value) { return json::FormatHexText(static_cast<uint32_t>(value)); }

// The 16-bit base: the registers below it are the device's.
constexpr int kOffset16 = 0x1000;

// Title ids: parameters from 1, messages after them, groups after those.
int ParamTitleId(const SyntheticSize& s, int g, int p) { return 1 + g * s.parametersPerGroup + p; }
int MessageTitleId(const SyntheticSize& s, int t) {
    return 1 + s.groups * s.parametersPerGroup + t;
}
int GroupTitleId(const SyntheticSize& s, int g) {
    return MessageTitleId(s, s.titlesPerMessage) + g;
}

bool HasWideAddresses(const SyntheticSize& s) {
    return s.groups <= kMaxWideGroups && s.parametersPerGroup <= kMaxWideParametersPerGroup;
}

void WriteParameter(Writer& w, const SyntheticSize& s, int g, int p) {
    w.StartObject();
    Key(w, key::kId, g * s.parametersPerGroup + p + 1);
    Key(w, key::kCodeNum, p);
    Key(w, key::kTitleId, ParamTitleId(s, g, p));
    if (p % 10 == 3) {
        Key(w, key::kAtValue, std::to_string(p % 8 + 1));
    }
    const bool enumerated = s.messages > 0 && s.titlesPerMessage > 0 && p % 7 == 0;
    if (enumerated) {
        Key(w, key::kDef, p % s.titlesPerMessage);
        Key(w, key::kMax, s.titlesPerMessage - 1);
        Key(w, key::kMin, 0);
    } else {
        Key(w, key::kDef, p * 10);
        Key(w, key::kMax, 30000);
        Key(w, key::kMin, -p);
    }
    Key(w, key::kDataType, enumerated ? 255 : 2);
    Key(w, key::kPoint32, p % 3);
    if (enumerated) {
        Key(w, key::kMessageId, p % s.messages);
    }
    Key(w, key::kUnitId, p % 8 + 1);
    Key(w, key::kAttr, Hex(p % 4));
    w.EndObject();
}

void WriteGroups(Writer& w, const SyntheticSize& s) {
    Key(w, key::kParameterGroups);
    w.StartArray();
    for (int g = 0; g < s.groups; ++g) {
        w.StartObject();
        Key(w, key::kGroupNum, g);
        Key(w, key::kTitleId, GroupTitleId(s, g));
        Key(w, key::kGroupAttr, Hex(0x8000));
        Key(w, key::kParameters);
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
    Key(w, key::kMessages);
    w.StartArray();
    for (int m = 0; m < s.messages; ++m) {
        w.StartObject();
        Key(w, key::kId, m);
        Key(w, key::kTitleInfo);
        w.StartArray();
        for (int t = 0; t < s.titlesPerMessage; ++t) {
            w.StartObject();
            Key(w, key::kTitleId, MessageTitleId(s, t));
            w.EndObject();
        }
        w.EndArray();
        w.EndObject();
    }
    w.EndArray();
}

void WriteSmallSections(Writer& w, const SyntheticSize& s) {
    static const char* const kUnits[] = {"Hz", "sec", "%", "A", "V", "kW", "rpm", "ms"};
    Key(w, key::kUnits);
    w.StartArray();
    for (int u = 0; u < 8; ++u) {
        w.StartObject();
        Key(w, key::kId, u + 1);
        Key(w, key::kText, kUnits[u]);
        w.EndObject();
    }
    w.EndArray();
    Key(w, key::kDevice);
    w.StartObject();
    Key(w, key::kModel, std::string("SYN-1"));
    Key(w, key::kKeypadCommOffset16, Hex(kOffset16));
    if (HasWideAddresses(s)) {
        Key(w, key::kKeypadCommOffset32, Hex(kOffset16 + 256 * s.groups));
    }
    w.EndObject();
    Key(w, key::kIO);
    w.StartObject();
    w.EndObject();
    Key(w, key::kCommonParameters);
    w.StartArray();
    w.EndArray();
    Key(w, key::kTrips);
    w.StartObject();
    w.EndObject();
    Key(w, key::kInitOrder);
    w.StartArray();
    const int parameters = s.groups * s.parametersPerGroup;
    for (int id = 1; id <= std::min(20, parameters); ++id) {
        w.StartObject();
        Key(w, key::kParameterId, id);
        w.EndObject();
    }
    w.EndArray();
    Key(w, key::kAdvUserSeq);
    w.StartObject();
    for (const std::string_view table : json::kAdvUserSeqTables) {
        Key(w, table);
        w.StartArray();
        w.EndArray();
    }
    w.EndObject();
}

void WriteTitles(Writer& w, const SyntheticSize& s) {
    w.StartObject();
    Key(w, key::kTitles);
    w.StartArray();
    const int last = GroupTitleId(s, s.groups);
    for (int id = 1; id < last; ++id) {
        w.StartObject();
        Key(w, key::kId, id);
        Key(w, key::kText,
            id >= GroupTitleId(s, 0) ? "G" + std::to_string(id - GroupTitleId(s, 0)) + " Group"
            : id % 10 == 4           ? "Step Speed @"
                                     : "Title " + std::to_string(id) + " Group");
        w.EndObject();
    }
    w.EndArray();
    w.EndObject();
}

}  // namespace

std::filesystem::path WriteSyntheticDataFile(const std::filesystem::path& dir,
                                             const std::string& stem, const SyntheticSize& size) {
    const std::filesystem::path data = dir / (stem + std::string(json::kDataFileExtension));
    WriteDocument(data, [&](Writer& w) {
        w.StartObject();
        WriteSmallSections(w, size);
        WriteMessages(w, size);
        WriteGroups(w, size);
        w.EndObject();
    });
    WriteDocument(TitlesPathOf(data.string()), [&](Writer& w) { WriteTitles(w, size); });
    return data;
}

}  // namespace vqdf
