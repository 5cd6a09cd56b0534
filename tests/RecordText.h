// Records as one line of text each, their fields in order and separated by "|", so that a test
// compares a whole record at once: Text(record) against Line(expected fields...). Numbers are
// decimal, texts their bytes up to the field's end (a literal is a field of its own length), a
// table absent "-".
#pragma once

#include <string>
#include <vector>

#include "model/FixedText.h"
#include "vqDataFileReader.h"

namespace vqdf::testing {

inline std::string Field(int64_t value) { return std::to_string(value); }
inline std::string Field(const std::string& text) { return text; }
template <std::size_t N>
std::string Field(const char (&text)[N]) {
    return std::string(FieldText(text));
}

template <typename... Fields>
std::string Line(const Fields&... fields) {
    std::string line;
    ((line += "|" + Field(fields)), ...);
    return line.substr(1);
}

inline std::string Text(const TerminalInfo& t) { return Line(t.Title, t.CommAddr); }
inline std::string Text(const MsgTitle& t) { return Line(t.Title); }
inline std::string Text(const StatusInfoData& s) {
    return Line(s.CommAddr, s.Title, s.DataType, s.Point16, s.Unit);
}
inline std::string Text(const CommonInfo& c) {
    return Line(c.CommAddr, c.Title, c.Def, c.Max, c.Min, c.Reserved, c.Point16, c.Unit, c.Attr);
}
inline std::string Text(const ParamInfo& p) {
    return Line(p.CodeNum, p.Title, p.AltTitle, p.Def, p.Max, p.Min, p.DataType, p.Point32, p.Unit,
                p.Attr);
}
inline std::string Text(const GroupInfo& g) {
    return Line(g.GroupNum, g.Title, g.GroupAttr, g.ParameterCount);
}
inline std::string Text(const DeviceInfo& d) {
    return Line(d.DataFileVersion, d.ModelNo, d.Model, d.InvSwVersion, d.Reserved1, d.Reserved2,
                d.Reserved3, d.KeypadCommOffset16, d.DiagNumberCount, d.ModelNoCommAddr,
                d.Reserved4, d.MotorStatusCommAddr, d.InvStatusCommAddr, d.InvControlCommAddr,
                d.ParaSaveCommAddr);
}
inline std::string Text(int32_t value) { return Field(value); }

// The values of a list of numbers; none for an absent list.
inline std::vector<int32_t> Ints(const int32_t* values, int32_t count) {
    return values == nullptr || count <= 0 ? std::vector<int32_t>()
                                           : std::vector<int32_t>(values, values + count);
}

// The entries of a table, one Text each, separated by " / "; "-" for an absent table.
template <typename T>
std::string Texts(const T* entries, int64_t count) {
    if (entries == nullptr) {
        return "-";
    }
    std::string texts;
    for (int64_t k = 0; k < count; ++k) {
        texts += (k == 0 ? "" : " / ") + Text(entries[k]);
    }
    return texts;
}

}  // namespace vqdf::testing
