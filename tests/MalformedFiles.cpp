// The malformed files: JSON texts built from a small valid document, and legacy files written
// from the example drive and then broken in their counts or in their compound-file structure.
#include "MalformedFiles.h"

#include <fstream>
#include <iterator>

#include "CompoundImage.h"
#include "ProcessId.h"
#include "compound/LegacyWriter.h"
#include "json/DataFileV2.h"
#include "platform/CompoundOutput.h"

namespace vqdf::testing {
namespace {

const char* const kTitles = R"({"Titles": [{"id": 1, "Text": "Acc Time"}, {"id": 2, "Text": "P@"},
 {"id": 3, "Text": "Off"}, {"id": 4, "Text": "DRV"}]})";

// A small document that loads, with a place for every kind of member; TEXT, ID and HEX are
// replaced to make the variants.
const char* const kTemplate = R"({
"Units": [{"id": 1, "Text": "TEXT"}],
"Messages": [{"id": 0, "TitleInfo": [{"Title::id": ID, "AtValue": "TEXT"}, {"Title::id": 3}]}],
"Device": {"DataFileVersion": "TEXT", "ModelNo": 7, "Model": "TEXT", "InvSwVersion": "TEXT",
           "KeypadCommOffset16": "HEX", "KeypadCommOffset32": "HEX", "ModelNoCommAddr": "HEX"},
"IO": {"Input": {"TotalNumOfBasic": 1, "TotalNumOfExt": 1, "StatusCommAddr": "HEX",
                 "BasicTerminalInfo": [{"Title::id": ID, "AtValue": "TEXT", "CommAddr": "HEX"}],
                 "ExtTerminalInfo": [{"Title::id": 2, "AtValue": "1", "CommAddr": "HEX"}],
                 "Message::id": ID},
       "Output": {"TotalNumOfBasic": 0, "TotalNumOfExt": 0, "Message::id": 0}},
"ParameterGroups": [{"GroupNum": 0, "Title::id": ID, "GroupAttr": "HEX", "Parameters": [
  {"id": 1, "CodeNum": 0, "Title::id": ID, "AtValue": "TEXT", "Def": 1, "Max": 9, "Min": 0,
   "DataType": 255, "Point32": 0, "Message::id": ID, "Unit::id": ID, "Attr": "HEX"},
  {"id": 2, "CodeNum": 1, "Title::id": 1, "Def": 1, "Max": 9, "Min": 0, "DataType": 0,
   "Point32": 1, "Unit::id": 1, "Attr": "0x0"}]}],
"CommonParameters": [{"CommAddr": "HEX", "Title::id": ID, "AtValue": "TEXT", "Def": 0,
                      "Max": 1, "Min": 0, "Point16": 0, "Message::id": ID, "Unit::id": ID,
                      "Attr": "HEX"}],
"Trips": {"StatusInfo": [{"id": 1, "Title::id": ID, "AtValue": "TEXT", "DataType": 2,
                          "Point16": 1, "Unit::id": ID}],
          "CurrentTrip": {"FirstTripAddr": "HEX", "TripAddr": ["HEX", 5],
                          "StatusInfoData": [{"StatusInfo::id": ID, "CommAddr": "HEX"}],
                          "Message::id": ID},
          "CurrentWarning": {"FirstWarnAddr": "HEX", "WarnAddr": [],
                             "StatusInfoData": [{"StatusInfo::id": 1}], "Message::id": 0}},
"InitOrder": [{"Parameter::id": ID}, {"Parameter::id": 2}],
"AdvUserSeq": {"ControlParameter": {"Parameters::id": ID},
  "BitPinTypes": [{"id": 1, "Name": "TEXT"}], "IOTypes": [{"id": 1, "Name": "TEXT"}],
  "Comments": [{"id": 1, "contents": "TEXT"}], "Groups": [{"id": 1, "Name": "TEXT"}],
  "FunctionList": [{"Name": "TEXT", "Groups::id": ID, "Blockid": ID, "BlockType": "HEX",
    "Expansion": [{"ExpansionType": "TEXT", "IOTypes::id": ID}],
    "InputParameterIdList": [{"Parameters::id": ID, "IOTypes::id": ID, "Value": ID}],
    "OutputParameterIdList": [], "Comments::id": ID}]},
"SimpleScope": {"Enable": {"Parameters::id": ID}, "ParameterAddr1": {"Parameters::id": ID}}
}
)";

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::string Document(const std::string& text, const std::string& id, const std::string& hex) {
    return ReplaceAll(ReplaceAll(ReplaceAll(kTemplate, "TEXT", text), "\"HEX\"", hex), "ID", id);
}

std::string ValidDocument() { return Document("Hz", "1", "\"0x1000\""); }

// The document with one section's value replaced by a number.
std::string WithWrongKind(const std::string& section) {
    std::string text = ValidDocument();
    const std::size_t key = text.find("\"" + section + "\": ");
    const std::size_t value = key + section.size() + 4;
    // The section's value ends where the next top-level key starts.
    std::size_t end = text.find("\n\"", value);
    end = end == std::string::npos ? text.rfind("\n}") : end;
    const bool last = text.compare(end, 3, "\n}\n") == 0;
    return text.substr(0, value) + "5" + (last ? "" : ",") + text.substr(end);
}

void AddJson(std::vector<MalformedFile>& files, const std::string& name, std::string bytes,
             int32_t status, const std::string& why, std::string titles = kTitles) {
    files.push_back({name + ".json", std::move(bytes), std::move(titles), status, why, ""});
}

void AddJsonFiles(std::vector<MalformedFile>& files) {
    const std::string valid = ValidDocument();
    AddJson(files, "json_valid", valid, 0, "the template itself loads");
    AddJson(files, "json_empty", "", 1, "a zero-length data file");
    AddJson(files, "json_truncated", valid.substr(0, valid.size() / 2), 1, "cut in the middle");
    AddJson(files, "json_bom", "\xEF\xBB\xBF" + valid, 1, "a byte-order mark is not JSON");
    AddJson(files, "json_raw_nul", ReplaceAll(valid, "\"Model\": \"Hz\"", "\"Model\": \"H\0z\""), 1,
            "a raw NUL inside a string");
    AddJson(files, "json_escaped_nul", Document("A\\u0000B", "1", "\"0x\\u00001\""), 0,
            "escaped NULs in every text");
    AddJson(files, "json_invalid_utf8", Document("\xC3\x28\xFF\xFE\xE2\x82", "1", "\"0x1\xFF\""), 0,
            "bytes that are not UTF-8 in every text");
    AddJson(files, "json_number_beyond_64_bits",
            Document("Hz", "123456789012345678901234567890", "\"0x1\""), 0,
            "ids beyond 64 bits are read as no id");
    AddJson(files, "json_number_beyond_double", Document("Hz", "1e400", "\"0x1\""), 1,
            "a number no double holds does not parse");
    AddJson(files, "json_ids_negative", Document("Hz", "-1", "-1"), 0, "every id is -1");
    AddJson(files, "json_ids_largest", Document("Hz", "2147483647", "\"0xFFFFFFFFFFFF\""), 0,
            "every id is the largest 32-bit one");
    AddJson(files, "json_ids_beyond_32_bits", Document("Hz", "4294967296", "4294967296"), 0,
            "every id needs 33 bits");
    AddJson(files, "json_ids_fractional", Document("Hz", "0.5", "true"), 0,
            "every id is a fraction");
    AddJson(files, "json_terminal_counts_huge",
            ReplaceAll(valid, "\"TotalNumOfExt\": 1", "\"TotalNumOfExt\": 2147483647"), 0,
            "a terminal total beyond 32 bits");
    AddJson(files, "json_terminal_counts_negative",
            ReplaceAll(valid, "\"TotalNumOfBasic\": 1", "\"TotalNumOfBasic\": -3"), 0,
            "a negative basic count");
    AddJson(files, "json_titles_missing", valid, 1, "no titles document", "");
    AddJson(files, "json_titles_wrong_kind", valid, 1, "the titles document is an array", "[1, 2]");
    const std::pair<const char*, int32_t> sections[] = {
        {"Units", 1},           {"Messages", 1},         {"Device", 0}, {"IO", 1},
        {"ParameterGroups", 1}, {"CommonParameters", 1}, {"Trips", 1},  {"InitOrder", 1},
        {"AdvUserSeq", 1},      {"SimpleScope", 0}};
    for (const auto& [section, status] : sections) {
        AddJson(files, std::string("json_wrong_kind_") + section, WithWrongKind(section), status,
                std::string(section) + " is a number");
    }
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Int32Bytes(int32_t value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

// The example drive's legacy tree, a change made to it, written as a file.
class LegacyCases {
public:
    explicit LegacyCases(const std::filesystem::path& examples) {
        CDataFileV2 example;
        example.Load((examples / "M1_1_05.json").wstring());
        tree_ = LegacyTree(example);
        example.ReleaseTables();
        base_ = Write(tree_);
    }

    std::string Base() const { return base_; }

    template <typename Change>
    std::string Changed(Change change) const {
        platform::CompoundNode tree = tree_;
        change(tree);
        return Write(tree);
    }

private:
    static std::string Write(const platform::CompoundNode& tree) {
        const auto path = std::filesystem::temp_directory_path() /
                          ("vqdf-malformed-case-" + std::to_string(ProcessId()) + ".inv");
        std::string error;
        platform::WriteCompoundFile(path.string(), tree, error);
        std::string bytes = ReadFile(path);
        std::filesystem::remove(path);
        return bytes;
    }

    platform::CompoundNode tree_;
    std::string base_;
};

std::string* Stream(platform::CompoundNode& tree, const std::string& storage,
                    const std::string& stream) {
    return tree.FindStorage(storage)->FindStream(stream);
}

void AddCountCases(std::vector<MalformedFile>& files, const LegacyCases& cases) {
    const auto set = [&](const char* name, const char* storage, const char* stream,
                         std::size_t offset, int32_t value, const char* why) {
        files.push_back({std::string(name) + ".inv",
                         cases.Changed([&](platform::CompoundNode& tree) {
                             Stream(tree, storage, stream)->replace(offset, 4, Int32Bytes(value));
                         }),
                         "", 0, why, ""});
    };
    set("inv_groups_negative", "Parameter Spec", "Total Group", 0, -5, "a negative group count");
    set("inv_groups_huge", "Parameter Spec", "Total Group", 0, 0x7FFFFFFF,
        "a group count over the size limit");
    set("inv_groups_more_than_storages", "Parameter Spec", "Total Group", 0, 5000,
        "group storages missing for most of the count");
    set("inv_messages_huge", "Message Spec", "Total Message", 0, 0x7FFFFFFF,
        "a message count over the size limit");
    set("inv_title_count_beyond_stream", "Message Spec", "Msg Title Num", 0, 1000000,
        "one message claims more titles than the stream holds");
    set("inv_title_count_negative", "Message Spec", "Msg Title Num", 4, -7,
        "a negative title count among the messages");
    set("inv_common_within_limit", "Common Spec", "Total Common", 0, 800000,
        "a common count near the limit with a short stream");
    set("inv_common_negative", "Common Spec", "Total Common", 0, -1, "a negative common count");
    set("inv_init_order_huge", "Init Order", "Total Init Order", 0, 0x7FFFFFFF,
        "an initialisation order over the size limit");
    set("inv_terminals_negative", "IO Spec", "IO Info", 0, -12, "a negative input count");
    set("inv_terminals_beyond_stream", "IO Spec", "IO Info", 12, 100000,
        "more output terminals than the stream holds");
    set("inv_trip_names_huge", "Trip Spec", "Trip Info", 0, 0x7FFFFFFF,
        "a trip count over the size limit");
    set("inv_diag_numbers_beyond_stream", "Device Spec", "Device Info", 60, 1000,
        "diagnosis numbers declared without their stream");
    files.push_back({"inv_parameters_beyond_stream.inv",
                     cases.Changed([](platform::CompoundNode& t) {
                         platform::CompoundNode& group =
                             *t.FindStorage("Parameter Spec")->FindStorage("Group-1");
                         group.FindStream("Group Info")->replace(20, 4, Int32Bytes(429496));
                     }),
                     "", 0, "a parameter count far beyond its stream", ""});
    files.push_back({"inv_missing_streams.inv", cases.Changed([](platform::CompoundNode& t) {
                         t.FindStorage("Message Spec")->Remove("Msg Title");
                         t.FindStorage("Common Spec")->Remove("Common Info");
                         t.FindStorage("Parameter Spec")->Remove("Group-3");
                         t.Remove("Trip Spec");
                     }),
                     "", 0, "streams and storages missing", ""});
}

// Structure broken inside the compound file: chains, directory, sizes, truncation.
void AddStructureCases(std::vector<MalformedFile>& files, const std::string& base) {
    const auto add = [&](const char* name, std::string bytes, int32_t status, const char* why) {
        files.push_back({std::string(name) + ".inv", std::move(bytes), "", status, why, ""});
    };
    add("inv_empty", "", 1, "a zero-length file");
    add("inv_header_only", base.substr(0, 512), 1, "the header without sectors");
    add("inv_truncated_half", base.substr(0, base.size() / 2), 1, "cut in the middle");
    add("inv_truncated_last_byte", base.substr(0, base.size() - 1), 1, "one byte short");
    files.back().onWindows = "0";  // that reader takes the short last sector as it comes
    std::string signature = base;
    signature[0] = 'X';
    add("inv_bad_signature", signature, 1, "not a compound file's signature");

    // "Msg Title" is large enough to live in regular sectors.
    CompoundImage image(base);
    const int titles = image.Entry("Msg Title");
    const uint32_t first = image.Read32(image.EntryOffset(titles) + CompoundImage::kStartSector);
    const uint32_t second = image.Fat(first);

    CompoundImage cycle(base);
    cycle.SetFat(second, first);
    add("inv_fat_cycle", cycle.bytes, 1, "a sector chain that loops");
    files.back().onWindows = "skip";  // Wine's reader goes round the loop for two minutes
    CompoundImage outside(base);
    outside.SetFat(first, 0x00FFFFF0);
    add("inv_fat_out_of_range", outside.bytes, 1, "a sector chain that leaves the file");
    CompoundImage shortChain(base);
    shortChain.SetFat(first, CompoundImage::kEndOfChain);
    add("inv_chain_shorter_than_size", shortChain.bytes, 1,
        "a stream whose chain ends before its size");
    CompoundImage huge(base);
    huge.Write32(huge.EntryOffset(titles) + CompoundImage::kSize, 0xFFFFFF00);
    add("inv_stream_gigabytes", huge.bytes, 0,
        "a stream that claims four gigabytes is refused and counts as missing");

    CompoundImage miniCycle(base);
    miniCycle.Write32(miniCycle.MiniFatOffset(0), 0);
    add("inv_minifat_cycle", miniCycle.bytes, 0,
        "a mini-stream chain that loops on itself: that stream counts as missing");

    CompoundImage loop(base);
    const int storage = loop.Entry("Parameter Spec");
    const std::size_t at = loop.EntryOffset(storage);
    loop.Write32(at + CompoundImage::kChild, static_cast<uint32_t>(storage));
    add("inv_directory_loop", loop.bytes, 0,
        "a storage that holds itself: its children are not found");
    CompoundImage sibling(base);
    const int device = sibling.Entry("Device Info");
    sibling.Write32(sibling.EntryOffset(device) + CompoundImage::kLeftSibling,
                    static_cast<uint32_t>(device));
    add("inv_sibling_loop", sibling.bytes, 0,
        "a directory entry that is its own sibling: the loop is not followed");
    // Found by replaying the legacy fuzzer's corpus on Windows.
    CompoundImage beyond(base);
    const auto top = static_cast<int>(beyond.Read32(beyond.EntryOffset(0) + CompoundImage::kChild));
    beyond.Write32(beyond.EntryOffset(top) + CompoundImage::kLeftSibling, 0x10000);
    beyond.Write32(beyond.EntryOffset(top) + CompoundImage::kRightSibling, 0x10000);
    add("inv_siblings_beyond_directory", beyond.bytes, 0,
        "the top storages' siblings lie beyond the directory: those storages are missing");
    files.back().onWindows = "skip";  // Wine's reader goes round the missing entry for ever
}

}  // namespace

std::string TitlesNameOf(const std::string& name) {
    return name.substr(0, name.rfind('.')) + "_Title.json";
}

std::vector<MalformedFile> SmallMalformedFiles(const std::filesystem::path& examples) {
    std::vector<MalformedFile> files;
    AddJsonFiles(files);
    const LegacyCases cases(examples);
    AddCountCases(files, cases);
    AddStructureCases(files, cases.Base());
    return files;
}

std::vector<MalformedFile> LargeMalformedFiles() {
    std::vector<MalformedFile> files;
    const std::string megabyte(1 << 20, 'W');
    AddJson(files, "json_megabyte_texts", Document(megabyte, "1", "\"0x" + megabyte + "\""), 0,
            "a megabyte of text in every text position");
    std::string titles = kTitles;
    titles.insert(titles.find("\"Acc Time\""), "\"" + megabyte + "\", \"x\": ");
    AddJson(files, "json_megabyte_title", ValidDocument(), 0, "a megabyte title text", titles);
    constexpr std::size_t kDepth = 100000;
    const std::string deep = std::string(kDepth, '[') + std::string(kDepth, ']');
    AddJson(files, "json_deep_root", deep, 1, "nesting 100,000 deep as the whole document");
    AddJson(files, "json_deep_section",
            ReplaceAll(ValidDocument(), "\"Units\": [", "\"Units\": [" + deep + ", "), 0,
            "nesting 100,000 deep inside a section");
    return files;
}

}  // namespace vqdf::testing
