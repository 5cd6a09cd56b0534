// The member reads that tell an observer what they skip or cut.
#include "json/ReaderFindings.h"

#include <algorithm>

#include "json/JsonFormat.h"
#include "platform/FileSystem.h"

namespace vqdf::json {
namespace {

// A value as a finding quotes it: numbers as written, strings quoted and kept short.
std::string Describe(const Value& value) {
    if (value.IsString()) {
        std::string text(CutUtf8(StringBytes(value), 40));
        return '"' + text + (text.size() < StringBytes(value).size() ? "...\"" : "\"");
    }
    if (value.IsInt64()) {
        return std::to_string(value.GetInt64());
    }
    if (value.IsUint64()) {
        return std::to_string(value.GetUint64());
    }
    if (value.IsDouble()) {
        return std::to_string(value.GetDouble());
    }
    if (value.IsObject()) {
        return "an object";
    }
    return value.IsArray() ? "an array" : "null";
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Why a text is no clean 32-bit hexadecimal number, or empty when it is one: digits with an
// optional "0x", at most eight that count.
std::string HexProblem(std::string_view text) {
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    if (text.empty() || !std::all_of(text.begin(), text.end(), IsHexDigit)) {
        return "is not hexadecimal text";
    }
    const std::size_t leadingZeros = std::min(text.find_first_not_of('0'), text.size());
    return text.size() - leadingZeros > 8 ? "does not fit 32 bits" : "";
}

}  // namespace

void JsonFindings::Report(FindingKind kind, const Value& element, std::string_view key,
                          std::string message) const {
    if (observer_ != nullptr) {
        observer_->OnFinding({kind, &element, std::string(key), std::move(message), ""});
    }
}

void JsonFindings::ReportFile(FindingKind kind, const std::wstring& path, std::string place,
                              std::string message) const {
    if (observer_ != nullptr) {
        observer_->OnFinding({kind, nullptr, std::move(place), std::move(message),
                              platform::NativePath(path).value_or(std::string())});
    }
}

std::optional<int32_t> JsonFindings::ReadNumber(const Field& field) const {
    const auto number = ReadInt(field.value);
    if (!number && !field.value.IsNull() && Observed()) {
        Report(FindingKind::OutOfRange, field.object, field.key,
               Describe(field.value) + (field.value.IsNumber() ? " does not fit a 32-bit integer"
                                                               : " is not an integer"));
    }
    return number;
}

void JsonFindings::ReadIntField(const Field& field, int32_t& target) const {
    if (const auto value = ReadNumber(field)) {
        target = *value;
    }
}

void JsonFindings::ReadHexField(const Field& field, int32_t& target) const {
    if (const auto value = ParseHexText(field.value)) {
        target = static_cast<int32_t>(*value);
    }
    if (!Observed() || field.value.IsNull()) {
        return;
    }
    const std::string problem =
        field.value.IsString() ? HexProblem(StringBytes(field.value)) : "is not hexadecimal text";
    if (!problem.empty()) {
        Report(FindingKind::OutOfRange, field.object, field.key,
               Describe(field.value) + " " + problem);
    }
}

std::wstring JsonFindings::AtValue(const Field& field, platform::CodePage codePage) const {
    if (Observed() && StringBytes(field.value).size() > kTextBufferBytes) {
        Report(FindingKind::TextCut, field.object, field.key,
               Describe(field.value) + " is read as its first " + std::to_string(kTextBufferBytes) +
                   " bytes");
    }
    return CodePageText(field.value, codePage);
}

void JsonFindings::CheckFit(bool fitted, const Value& element, std::string_view key,
                            std::size_t width) const {
    if (fitted || !Observed()) {
        return;
    }
    Report(FindingKind::TextCut, element, key,
           width == 0 ? "the text is cut to fit its field"
                      : "the text is cut to fit its field of " + std::to_string(width) + " bytes");
}

bool JsonFindings::RequireSection(const Field& field, bool read) const {
    if (!read && Observed()) {
        Report(FindingKind::MissingSection, field.object, field.key,
               field.value.IsNull() ? "the required section is missing"
                                    : "the required section has the wrong kind");
    }
    return read;
}

}  // namespace vqdf::json
