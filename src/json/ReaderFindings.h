// The member reads of the JSON readers that also tell an observer what they skip or cut: ids
// that name nothing, numbers that do not fit, hexadecimal texts that are not, texts cut short,
// sections that are missing. Without an observer they are the plain conversions of JsonValue.h
// and build no reports.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "json/JsonValue.h"
#include "model/LoadObserver.h"

namespace vqdf::json {

class JsonFindings {
public:
    void SetObserver(ILoadObserver* observer) { observer_ = observer; }
    bool Observed() const { return observer_ != nullptr; }
    ILoadObserver* Observer() const { return observer_; }

    void Report(FindingKind kind, const Value& element, std::string_view key,
                std::string message) const;
    // A finding about a place in a file that is no element: the file's path, the place in it
    // (a line and column, or nothing for the file as a whole).
    void ReportFile(FindingKind kind, const std::wstring& path, std::string place,
                    std::string message) const;

    // ReadInt, telling of a value that is there but gives none.
    std::optional<int32_t> ReadNumber(const Field& field) const;
    // A member read by ReadInt or ParseHexText into a field; without a value the field keeps
    // what it held.
    void ReadIntField(const Field& field, int32_t& target) const;
    void ReadHexField(const Field& field, int32_t& target) const;
    // The "AtValue" text, at most 29 bytes, read in the code page given.
    std::wstring AtValue(const Field& field, platform::CodePage codePage) const;

    // Tells of a text a store had to cut; fitted is what the store returned. A width of 0 leaves
    // the field's size out of the message.
    void CheckFit(bool fitted, const Value& element, std::string_view key,
                  std::size_t width = 0) const;
    // A required member that is absent or of the wrong kind ends the load: read says whether it
    // could be read.
    bool RequireSection(const Field& field, bool read) const;

    // Each element of an "id" and text table, or nothing when the list is no array: store(id,
    // text value, element) enters one; exists(id) tells whether the id is entered already.
    template <typename Exists, typename Store>
    bool ReadIdTextTable(const Value& list, std::string_view textKey, const char* what,
                         Exists exists, Store store) const;

private:
    ILoadObserver* observer_ = nullptr;
};

template <typename Exists, typename Store>
bool JsonFindings::ReadIdTextTable(const Value& list, std::string_view textKey, const char* what,
                                   Exists exists, Store store) const {
    if (!list.IsArray()) {
        return false;
    }
    const std::array<std::string_view, 2> keys = {"id", textKey};
    for (const Value& element : list.GetArray()) {
        const Members<2> members(element, keys);
        const auto id = ReadNumber(members.At(0));
        const Value& text = members[1];
        if (!id || !text.IsString()) {
            continue;
        }
        if (Observed() && exists(static_cast<uint32_t>(*id))) {
            Report(FindingKind::DuplicateId, element, "id",
                   std::string(what) + " " + std::to_string(*id) + " is given again");
        }
        store(static_cast<uint32_t>(*id), text, element);
    }
    return true;
}

}  // namespace vqdf::json
