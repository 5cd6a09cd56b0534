// The member reads of the JSON reader that also tell an observer what they skip or cut: ids
// that name nothing, numbers that do not fit, hexadecimal texts that are not, texts cut short.
#include <algorithm>
#include <string_view>

#include "json/DataFileV2.h"
#include "json/JsonFormat.h"
#include "json/JsonValue.h"

namespace vqdf {

namespace key = json::key;
namespace {

using json::Member;
using json::Value;

// A value as a finding quotes it: numbers as written, strings quoted and kept short.
std::string Describe(const Value& value) {
    if (value.IsString()) {
        std::string text(json::CutUtf8(json::StringBytes(value), 40));
        return '"' + text + (text.size() < json::StringBytes(value).size() ? "...\"" : "\"");
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

void CDataFileV2::Report(FindingKind kind, const Value& element, std::string_view key,
                         std::string message) const {
    if (observer_ != nullptr) {
        observer_->OnFinding({kind, &element, std::string(key), std::move(message)});
    }
}

std::optional<int32_t> CDataFileV2::ReadNumber(const Value& object, std::string_view key) const {
    const Value& value = Member(object, key);
    const auto number = json::ReadInt(value);
    if (!number && !value.IsNull() && Observed()) {
        Report(FindingKind::OutOfRange, object, key,
               Describe(value) +
                   (value.IsNumber() ? " does not fit a 32-bit integer" : " is not an integer"));
    }
    return number;
}

void CDataFileV2::ReadIntField(const Value& object, std::string_view key, int32_t& field) const {
    if (const auto value = ReadNumber(object, key)) {
        field = *value;
    }
}

void CDataFileV2::ReadHexField(const Value& object, std::string_view key, int32_t& field) const {
    json::ReadHexInto(object, key, field);
    if (!Observed()) {
        return;
    }
    const Value& value = Member(object, key);
    if (value.IsNull()) {
        return;
    }
    const std::string problem =
        value.IsString() ? HexProblem(json::StringBytes(value)) : "is not hexadecimal text";
    if (!problem.empty()) {
        Report(FindingKind::OutOfRange, object, key, Describe(value) + " " + problem);
    }
}

std::wstring CDataFileV2::AtValueOf(const Value& element, platform::CodePage codePage) const {
    const Value& value = Member(element, key::kAtValue);
    if (Observed() && json::StringBytes(value).size() > json::kTextBufferBytes) {
        Report(FindingKind::TextCut, element, key::kAtValue,
               Describe(value) + " is read as its first " + std::to_string(json::kTextBufferBytes) +
                   " bytes");
    }
    return json::CodePageText(value, codePage);
}

std::optional<std::wstring> CDataFileV2::TitleOf(const Value& element,
                                                 const std::wstring& atValue) {
    const auto id = ReadNumber(element, key::kTitleId);
    if (!id) {
        return std::nullopt;
    }
    const auto titleId = static_cast<uint32_t>(*id);
    if (Observed() && titles_.count(titleId) == 0) {
        Report(FindingKind::UnknownId, element, key::kTitleId, "no title " + std::to_string(*id));
    }
    return BuildTitle(titleId, atValue);
}

std::optional<std::wstring> CDataFileV2::UnitOf(const Value& element) {
    const auto id = ReadNumber(element, key::kUnitId);
    if (!id) {
        return std::nullopt;
    }
    const auto unitId = static_cast<uint32_t>(*id);
    if (Observed() && units_.count(unitId) == 0) {
        Report(FindingKind::UnknownId, element, key::kUnitId, "no unit " + std::to_string(*id));
    }
    return BuildUnit(unitId);
}

void CDataFileV2::CheckFit(bool fitted, const Value& element, std::string_view key,
                           std::size_t width) const {
    if (!fitted && Observed()) {
        Report(FindingKind::TextCut, element, key,
               "the text is cut to fit its field of " + std::to_string(width) + " bytes");
    }
}

void CDataFileV2::CheckKnownParam(const Value& element, std::string_view key) const {
    if (!Observed()) {
        return;
    }
    const auto id = json::ReadInt(element, key);
    if (id && paramIds_.count(static_cast<uint32_t>(*id)) == 0) {
        Report(FindingKind::UnknownId, element, key, "no parameter " + std::to_string(*id));
    }
}

}  // namespace vqdf
