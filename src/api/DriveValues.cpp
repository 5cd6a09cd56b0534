// A drive's parameters by its data file: where they are, how their registers are read in runs,
// and their values as people read and give them.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>

#include "DriveApi.h"

namespace vqdf::api {
namespace {

// Equal without regard to the case of ASCII letters.
bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The decimals a parameter's values have: its decimal point from 1 to 9, else none.
int32_t Decimals(const ParamInfo& param) {
    return IsEnumerated(param) || param.Point32 <= 0 || param.Point32 > 9 ? 0 : param.Point32;
}

// A plain decimal number, "-12.5": an optional sign, digits, and a point with digits after it;
// its digits without the point, and how many come after the point. None for anything else.
std::optional<std::pair<int64_t, int32_t>> DecimalNumber(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    const auto digits = [](std::string_view part) {
        return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (whole.empty() || !digits(whole) || !digits(fraction) ||
        (point != std::string_view::npos && fraction.empty()) ||
        whole.size() + fraction.size() > 15) {
        return std::nullopt;
    }
    int64_t value = 0;
    for (const char c : std::string(whole) + std::string(fraction)) {
        value = value * 10 + (c - '0');
    }
    return std::pair(negative ? -value : value, static_cast<int32_t>(fraction.size()));
}

std::string Decimal(int32_t decimals) {
    return std::to_string(decimals) + (decimals == 1 ? " decimal" : " decimals");
}

}  // namespace

std::string NameOf(const Parameter& parameter) {
    return std::to_string(parameter.group->GroupNum) + "/" +
           std::to_string(parameter.param->CodeNum);
}

std::vector<Parameter> Parameters(const DataFile& file) {
    std::vector<Parameter> all;
    const ParaSpec& para = file.Parameters();
    for (int32_t g = 0; para.Groups != nullptr && g < para.GroupCount; ++g) {
        const GroupInfo& group = para.Groups[g];
        for (int32_t k = 0; group.Parameters != nullptr && k < group.ParameterCount; ++k) {
            const ParamInfo& param = group.Parameters[k];
            all.push_back(
                {&group, &param,
                 static_cast<uint16_t>(file.ParamAddress16(group.GroupNum, param.CodeNum))});
        }
    }
    return all;
}

std::optional<Parameter> FindParameter(const DataFile& file, const std::string& name,
                                       std::string& why) {
    const std::size_t slash = name.find('/');
    int32_t group = 0;
    int32_t code = 0;
    const char* end = name.data() + name.size();
    const bool parsed =
        slash != std::string::npos && slash > 0 &&
        std::from_chars(name.data(), name.data() + slash, group).ptr == name.data() + slash &&
        std::from_chars(name.data() + slash + 1, end, code).ptr == end && slash + 1 < name.size();
    if (!parsed) {
        why = "\"" + name + "\" names no parameter: give GROUP/CODE, e.g. 1/12";
        return std::nullopt;
    }
    for (const Parameter& parameter : Parameters(file)) {
        if (parameter.group->GroupNum == group && parameter.param->CodeNum == code) {
            return parameter;
        }
    }
    why = file.Path() + ": no parameter " + name;
    return std::nullopt;
}

const GroupInfo* FindGroup(const ParaSpec& para, const std::string& numberOrTitle) {
    char* end = nullptr;
    const long number = std::strtol(numberOrTitle.c_str(), &end, 10);
    const bool numeric = !numberOrTitle.empty() && *end == '\0';
    for (int32_t g = 0; para.Groups != nullptr && g < para.GroupCount; ++g) {
        if (numeric && para.Groups[g].GroupNum == number) {
            return &para.Groups[g];
        }
    }
    for (int32_t g = 0; para.Groups != nullptr && g < para.GroupCount; ++g) {
        if (SameText(CodePageText(para.Groups[g].Title), numberOrTitle)) {
            return &para.Groups[g];
        }
    }
    return nullptr;
}

Readings ReadRegisters(DriveLink& link, std::vector<uint16_t> addresses) {
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    Readings readings;
    for (std::size_t start = 0; start < addresses.size();) {
        std::size_t end = start + 1;
        while (end < addresses.size() && end - start < 125 &&
               addresses[end] == addresses[end - 1] + 1) {
            ++end;
        }
        const auto count = static_cast<uint16_t>(end - start);
        std::vector<uint16_t> values(count);
        LinkError error;
        if (link.Read(addresses[start], count, values.data(), error)) {
            for (uint16_t k = 0; k < count; ++k) {
                readings.values[static_cast<uint16_t>(addresses[start] + k)] = values[k];
            }
        } else if (!error.exception) {
            readings.failure = error.text;
            return readings;
        } else {
            for (std::size_t k = start; k < end; ++k) {
                uint16_t value = 0;
                if (count > 1 && link.Read(addresses[k], 1, &value, error)) {
                    readings.values[addresses[k]] = value;
                } else if (!error.exception) {
                    readings.failure = error.text;
                    return readings;
                } else {
                    readings.refused[addresses[k]] = error.text;
                }
            }
        }
        start = end;
    }
    return readings;
}

std::string Scaled(int32_t value, int32_t points) {
    if (points <= 0 || points > 9) {
        return std::to_string(value);
    }
    const int64_t magnitude = std::llabs(static_cast<int64_t>(value));
    int64_t divisor = 1;
    for (int32_t k = 0; k < points; ++k) {
        divisor *= 10;
    }
    std::string fraction = std::to_string(magnitude % divisor);
    fraction.insert(0, static_cast<std::size_t>(points) - fraction.size(), '0');
    return (value < 0 ? "-" : "") + std::to_string(magnitude / divisor) + "." + fraction;
}

const MessageInfo* MessageOf(const MessageSpec& messages, int32_t index) {
    if (messages.Messages == nullptr || index < 0 || index >= messages.MessageCount) {
        return nullptr;
    }
    return &messages.Messages[index];
}

std::string ValueName(const MessageInfo* message, int32_t value) {
    if (message == nullptr || message->TitleInfo == nullptr || value < 0 ||
        value >= message->TitleInfoCount) {
        return {};
    }
    return Utf8Text(message->TitleInfo[value].Title);
}

int32_t ValueOfRegister(const ParamInfo& param, uint16_t raw) {
    return param.Min < 0 ? static_cast<int16_t>(raw) : raw;
}

std::string ShownValue(const DataFile& file, const ParamInfo& param, int32_t value) {
    if (IsEnumerated(param)) {
        const std::string name = ValueName(MessageOf(file.Messages(), param.Point32), value);
        return name.empty() ? std::to_string(value) : name;
    }
    return Scaled(value, param.Point32);
}

bool WithinLimits(const DataFile& file, const ParamInfo& param, int32_t value) {
    return value >= param.Min && value <= param.Max &&
           (!IsEnumerated(param) ||
            !ValueName(MessageOf(file.Messages(), param.Point32), value).empty());
}

std::string LimitsNote(const DataFile& file, const ParamInfo& param) {
    if (IsEnumerated(param)) {
        return "not one of its values";
    }
    return "outside " + ShownValue(file, param, param.Min) + " to " +
           ShownValue(file, param, param.Max);
}

std::optional<int32_t> ParseValue(const DataFile& file, const ParamInfo& param,
                                  std::string_view text, std::string& why) {
    if (IsEnumerated(param)) {
        const MessageInfo* message = MessageOf(file.Messages(), param.Point32);
        for (int32_t v = 0; message != nullptr && v < message->TitleInfoCount; ++v) {
            const std::string name = ValueName(message, v);
            if (!name.empty() && SameText(name, text)) {
                return v;
            }
        }
    }
    const int32_t decimals = Decimals(param);
    const auto number = DecimalNumber(text);
    if (number && number->second <= decimals) {
        int64_t value = number->first;
        for (int32_t k = number->second; k < decimals; ++k) {
            value *= 10;
        }
        if (value >= INT32_MIN && value <= INT32_MAX) {
            return static_cast<int32_t>(value);
        }
    }
    why = IsEnumerated(param)
              ? "takes one of its value names or its number, not \"" + std::string(text) + "\""
              : "takes a number with at most " + Decimal(decimals) + ", not \"" +
                    std::string(text) + "\"";
    return std::nullopt;
}

std::optional<uint16_t> RegisterOf(int32_t value) {
    if (value < -32768 || value > 65535) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(value);
}

}  // namespace vqdf::api
