// Records as JSON text for the machine-readable forms of the reports.
#pragma once

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vqdf::cli {

// An array of objects whose members are all texts, indented, with a final line break.
inline std::string TextObjects(
    const std::vector<std::vector<std::pair<std::string_view, std::string_view>>>& objects) {
    rapidjson::StringBuffer buffer;
    rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);
    writer.SetIndent(' ', 2);
    writer.StartArray();
    for (const auto& members : objects) {
        writer.StartObject();
        for (const auto& [key, value] : members) {
            writer.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
            writer.String(value.data(), static_cast<rapidjson::SizeType>(value.size()));
        }
        writer.EndObject();
    }
    writer.EndArray();
    return std::string(buffer.GetString(), buffer.GetSize()) + "\n";
}

}  // namespace vqdf::cli
