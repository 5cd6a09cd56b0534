// Small JSON data files written by the tests: every required section present and empty, so a
// test states only the sections it is about.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "TestDirectory.h"

namespace vqdf::testing {

class JsonFiles : public TestDirectory {
public:
    // Section name to its JSON text; an empty text leaves the section out.
    std::vector<std::pair<std::string, std::string>> sections = {
        {"Units", "[]"},
        {"Messages", "[]"},
        {"Device", "{}"},
        {"IO", "{}"},
        {"ParameterGroups", "[]"},
        {"CommonParameters", "[]"},
        {"Trips", "{}"},
        {"InitOrder", "[]"},
        {"AdvUserSeq",
         R"({"BitPinTypes": [], "IOTypes": [], "Comments": [], "Groups": [], "FunctionList": []})"},
    };
    std::string titles = R"({"Titles": []})";

    void Set(const std::string& name, const std::string& text) {
        for (auto& section : sections) {
            if (section.first == name) {
                section.second = text;
                return;
            }
        }
        sections.emplace_back(name, text);
    }

    std::string DataText() const {
        std::string text = "{";
        for (const auto& [name, value] : sections) {
            if (value.empty()) {
                continue;
            }
            text += (text.size() > 1 ? ",\n\"" : "\n\"") + name + "\": " + value;
        }
        return text + "\n}\n";
    }

    // Writes the data file and, unless titles is empty, its titles document.
    std::wstring Write(const std::string& stem = "M1_1_05") const {
        WriteFile(stem + ".json", DataText());
        if (!titles.empty()) {
            WriteFile(stem + "_Title.json", titles);
        }
        return (Dir() / (stem + ".json")).wstring();
    }

    void WriteFile(const std::string& name, const std::string& text) const {
        std::ofstream(Dir() / name, std::ios::binary) << text;
    }
};

}  // namespace vqdf::testing
