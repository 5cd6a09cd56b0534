// Reports as text: tables whose columns are as wide as their widest cell, and lists that wrap.
// Both print as they go.
#pragma once

#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vqdf::cli {

inline constexpr std::size_t kLineWidth = 100;

// Characters, not bytes: a UTF-8 continuation byte adds nothing.
inline std::size_t Width(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

inline void AppendPadded(std::string& line, std::string_view cell, std::size_t width, bool right) {
    const std::string padding(width - std::min(width, Width(cell)), ' ');
    if (right) {
        line += padding;
        line += cell;
    } else {
        line += cell;
        line += padding;
    }
}

struct Column {
    std::string_view header;
    bool right = false;
};

// A table of count rows under a header line, each column as wide as its widest cell. The rows
// are made twice, once to measure and once to print, so that a table of millions of rows is
// never held; after(k) prints the lines that belong under row k.
template <typename RowOf, typename After>
void PrintTable(std::string_view indent, const std::vector<Column>& columns, int64_t count,
                RowOf rowOf, After after) {
    std::vector<std::size_t> widths;
    for (const Column& column : columns) {
        widths.push_back(Width(column.header));
    }
    for (int64_t k = 0; k < count; ++k) {
        const std::vector<std::string> cells = rowOf(k);
        for (std::size_t c = 0; c < cells.size() && c < widths.size(); ++c) {
            widths[c] = std::max(widths[c], Width(cells[c]));
        }
    }
    const auto print = [&](const std::vector<std::string_view>& cells) {
        std::string line(indent);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const bool last = c + 1 == cells.size();
            // The last column is not padded out, unless it is aligned to the right.
            AppendPadded(line, cells[c], last && !columns[c].right ? 0 : widths[c],
                         columns[c].right);
            if (!last) {
                line += "  ";
            }
        }
        line.erase(line.find_last_not_of(' ') + 1);
        fmt::print(stdout, "{}\n", line);
    };
    std::vector<std::string_view> headers;
    for (const Column& column : columns) {
        headers.push_back(column.header);
    }
    print(headers);
    for (int64_t k = 0; k < count; ++k) {
        const std::vector<std::string> cells = rowOf(k);
        print(std::vector<std::string_view>(cells.begin(), cells.end()));
        after(k);
    }
}

template <typename RowOf>
void PrintTable(std::string_view indent, const std::vector<Column>& columns, int64_t count,
                RowOf rowOf) {
    PrintTable(indent, columns, count, rowOf, [](int64_t) {});
}

// "LEAD item, item, ..." over as many lines as it takes, the later ones indented under the
// first item.
template <typename ItemOf>
void PrintList(std::string_view lead, int64_t count, ItemOf itemOf) {
    std::string line(lead);
    if (line.empty() || line.back() != ' ') {
        line += ' ';
    }
    const std::string indent(Width(line), ' ');
    std::size_t width = Width(line);
    for (int64_t k = 0; k < count; ++k) {
        const std::string item = itemOf(k) + (k + 1 < count ? "," : "");
        const std::size_t itemWidth = Width(item);
        if (k > 0 && width + 1 + itemWidth > kLineWidth) {
            fmt::print(stdout, "{}\n", line);
            line = indent;
            width = indent.size();
        } else if (k > 0) {
            line += ' ';
            ++width;
        }
        line += item;
        width += itemWidth;
    }
    fmt::print(stdout, "{}\n", line);
}

}  // namespace vqdf::cli
