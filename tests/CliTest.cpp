// vqdf run as a user runs it: what it prints, to which stream, and its exit status.
#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "JsonFixture.h"

namespace vqdf {
namespace {

using testing::JsonFiles;

const std::filesystem::path kExamples = VQDF_EXAMPLES_DIR;
const std::filesystem::path kGolden = VQDF_GOLDEN_DIR;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs vqdf with the arguments in the folder given; its streams go to files in the test's scratch
// folder, or standard output to the file named.
Outcome RunVqdf(const std::filesystem::path& dir, const std::string& arguments,
                const std::filesystem::path& scratch, const std::string& stdoutTo = "") {
    const auto out = scratch / "stdout.txt";
    const auto err = scratch / "stderr.txt";
    const std::string command = "cd '" + dir.string() + "' && '" VQDF_PROGRAM "' " + arguments +
                                " >'" + (stdoutTo.empty() ? out.string() : stdoutTo) + "' 2>'" +
                                err.string() + "'";
    std::filesystem::remove(out);
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, FileText(out), FileText(err)};
}

// Compares with a file of expected output; VQDF_UPDATE_GOLDEN=1 rewrites the file instead.
void ExpectGolden(const std::string& actual, const std::string& name) {
    if (std::getenv("VQDF_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(kGolden / name, std::ios::binary) << actual;
    }
    EXPECT_EQ(actual, FileText(kGolden / name)) << name;
}

// Each test reads its own copy of the examples: a compound file is opened exclusively, so tests
// running side by side on the one example would turn each other away.
class Cli : public ::testing::Test, public JsonFiles {
protected:
    void SetUp() override {
        std::filesystem::copy(kExamples, Examples(), std::filesystem::copy_options::recursive);
    }
    std::filesystem::path Examples() const { return Dir() / "examples"; }
    Outcome InExamples(const std::string& arguments) {
        return RunVqdf(Examples(), arguments, Dir());
    }
    Outcome InDir(const std::string& arguments) { return RunVqdf(Dir(), arguments, Dir()); }
};

// Every line of the report fits the width lists wrap at, and a group is found by its number or,
// in any letter case, by its title.
TEST_F(Cli, ShowReportsEveryRecordOfTheExampleDrive) {
    const Outcome all = InExamples("show M1_1_05.json");
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(all.err, "");
    ExpectGolden(all.out, "show_M1_1_05.txt");
    std::istringstream lines(all.out);
    for (std::string line; std::getline(lines, line);) {
        const auto characters = std::count_if(line.begin(), line.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        });
        EXPECT_LE(characters, 100) << line;
    }

    const Outcome group = InExamples("show --group 1 M1_1_05.json");
    EXPECT_EQ(group.status, 0);
    ExpectGolden(group.out, "show_M1_1_05_group1.txt");
    EXPECT_EQ(InExamples("show M1_1_05.json --group bas").out, group.out);
    const std::string body = group.out.substr(group.out.find('\n'));
    EXPECT_NE(all.out.find(body), std::string::npos);
}

// The legacy example is the same drive: the sections both formats hold read the same.
TEST_F(Cli, ShowFindsTheLegacyExampleByModelAndVersion) {
    const std::string picked = "show --section terminals,trips,messages,common,groups,init ";
    const Outcome legacy = InExamples(picked + "--model M1 --version 1.05 --datafile-dir DataFile");
    ASSERT_EQ(legacy.status, 0) << legacy.err;
    const Outcome json = InExamples(picked + "M1_1_05.json");
    EXPECT_EQ(legacy.out.substr(0, legacy.out.find('\n')),
              "DataFile/M1/M1_1_05.inv (legacy data file)");
    EXPECT_EQ(legacy.out.substr(legacy.out.find('\n')), json.out.substr(json.out.find('\n')));
}

TEST_F(Cli, DumpWritesEveryRecordOfASmallFile) {
    titles = R"({"Titles": [{"id": 1, "Text": "DRV Group"}, {"id": 2, "Text": "Acc Time"},
                            {"id": 3, "Text": "Off"}, {"id": 4, "Text": "On"},
                            {"id": 5, "Text": "Relay @"}, {"id": 6, "Text": "Output Freq"}]})";
    Set("Units", R"([{"id": 1, "Text": "sec"}, {"id": 2, "Text": "Hz"}])");
    Set("Messages", R"([{"id": 0, "TitleInfo": [{"Title::id": 3}, {"Title::id": 4}]}])");
    Set("Device", R"({"DataFileVersion": "1.00", "ModelNo": 7, "Model": "T-1",
                      "InvSwVersion": "0.9", "KeypadCommOffset16": "0x1000",
                      "KeypadCommOffset32": "0x2000", "ParaSaveCommAddr": "0x03E0"})");
    Set("IO", R"({"Input": {}, "Output": {"TotalNumOfBasic": 1, "TotalNumOfExt": 0,
                  "StatusCommAddr": "0x0323", "Message::id": 0, "ExtTerminalInfo": [],
                  "BasicTerminalInfo": [{"Title::id": 5, "AtValue": "1", "CommAddr": "0x151E"}]}})");
    Set("ParameterGroups", R"([{"GroupNum": 2, "Title::id": 1, "GroupAttr": "0x8000",
        "Parameters": [{"id": 9, "CodeNum": 3, "Title::id": 2, "Def": 50, "Max": 6000,
                        "Min": 0, "DataType": 0, "Point32": 1, "Unit::id": 1, "Attr": "0x2"},
                       {"id": 10, "CodeNum": 4, "Title::id": 2, "Def": 1, "Max": 1, "Min": 0,
                        "DataType": 255, "Message::id": 0, "Attr": "0x0"}]}])");
    Set("Trips", R"({"StatusInfo": [{"id": 1, "Title::id": 6, "DataType": 2, "Point16": 2,
                                      "Unit::id": 2}],
                     "CurrentTrip": {"FirstTripAddr": "0x0330", "TripAddr": ["0x0331"],
                                     "StatusInfoData": [{"StatusInfo::id": 1, "CommAddr": "0x0341"}],
                                     "Message::id": 0}})");
    Set("InitOrder", R"([{"Parameter::id": 10}])");
    Set("SimpleScope", R"({"Enable": {"Parameters::id": 9}})");
    Write("T1_1_00");
    const Outcome dump = InDir("dump T1_1_00.json");
    EXPECT_EQ(dump.status, 0) << dump.err;
    ExpectGolden(dump.out, "dump_T1_1_00.json");
}

// The findings of the titles document name it; --summary gives the last line alone and --json
// the findings as data.
TEST_F(Cli, CheckFindsCutTitlesInTheTitlesDocumentInEachForm) {
    titles = R"({"Titles": [{"id": 1, "Text": "a title of more than twenty-nine bytes"},
                            {"id": 1, "Text": "again"}]})";
    Write();
    const Outcome check = InDir("check M1_1_05.json");
    EXPECT_EQ(check.status, 1);
    const std::string summary = "M1_1_05.json: 2 findings (1 duplicate-id, 1 text-cut)\n";
    EXPECT_EQ(check.out,
              "M1_1_05_Title.json:/Titles/0/Text: the text is cut to fit its field of 29 bytes "
              "[text-cut]\n"
              "M1_1_05_Title.json:/Titles/1/id: title 1 is given again [duplicate-id]\n" +
                  summary);
    const Outcome brief = InDir("check --summary M1_1_05.json");
    EXPECT_EQ(brief.status, 1);
    EXPECT_EQ(brief.out, summary);

    const Outcome json = InDir("check M1_1_05.json --json");
    EXPECT_EQ(json.status, 1);
    rapidjson::Document parsed;
    parsed.Parse(json.out.c_str());
    ASSERT_TRUE(parsed.IsArray()) << json.out;
    ASSERT_EQ(parsed.Size(), 2u);
    EXPECT_STREQ(parsed[1]["kind"].GetString(), "duplicate-id");
    EXPECT_STREQ(parsed[1]["file"].GetString(), "M1_1_05_Title.json");
    EXPECT_STREQ(parsed[1]["place"].GetString(), "/Titles/1/id");
    EXPECT_STREQ(parsed[1]["message"].GetString(), "title 1 is given again");
}

// The example with one edit made to it as a document.
template <typename Edit>
std::string EditedExample(Edit edit) {
    rapidjson::Document doc;
    doc.Parse(FileText(kExamples / "M1_1_05.json").c_str());
    edit(doc);
    rapidjson::StringBuffer buffer;
    rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);
    doc.Accept(writer);
    return buffer.GetString();
}

// A file that does not load is trouble (2), not findings (1): its reason is both the finding and
// the error.
TEST_F(Cli, CheckIsCleanOnBothExamplesAndFailsOnFilesThatDoNotLoad) {
    for (const char* example : {"M1_1_05.json", "DataFile/M1/M1_1_05.inv"}) {
        const Outcome check = InExamples(std::string("check ") + example);
        EXPECT_EQ(check.status, 0);
        EXPECT_EQ(check.out, std::string(example) + ": no findings\n");
    }
    WriteFile("P_1.json", "{\n \"Units\": [}\n");
    const Outcome parse = InDir("check P_1.json");
    EXPECT_EQ(parse.status, 2);
    const std::string reason = "P_1.json:2:12: this is no JSON value (RapidJSON: Invalid value.)";
    EXPECT_EQ(parse.out, reason +
                             " [parse-error]\nP_1.json: 1 finding, the load fails (1 "
                             "parse-error)\n");
    EXPECT_EQ(parse.err, "vqdf: error: " + reason + "\n");
    titles.clear();
    Write("N_1");
    const Outcome missing = InDir("check N_1.json");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.out.find("N_1_Title.json: the titles document does not exist "
                               "[missing-document]\n"),
              std::string::npos);
    // A group without its parameter list is found and the load goes on; the section that is
    // missing after it is why the load fails.
    WriteFile("G_1.json", EditedExample([](rapidjson::Document& doc) {
                  doc["ParameterGroups"][2].RemoveMember("Parameters");
                  doc.RemoveMember("Trips");
              }));
    std::filesystem::copy_file(kExamples / "M1_1_05_Title.json", Dir() / "G_1_Title.json");
    EXPECT_EQ(InDir("check G_1.json").err,
              "vqdf: error: G_1.json:/Trips: the required section is missing\n");
}

// Legacy files of the corpus with a storage or stream missing or a stream cut short; the
// rules' findings about what the file says left out by name.
TEST_F(Cli, CheckReportsMissingAndShortLegacyStreams) {
    const std::filesystem::path corpus = VQDF_CORPUS_DIR;
    const Outcome missing =
        RunVqdf(corpus,
                "check --ignore default-outside-limits,group-repeated --ignore title-empty "
                "inv_missing_streams.inv",
                Dir());
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out,
              "inv_missing_streams.inv:/Trip Spec: the storage is missing: its records stay zero "
              "[missing-storage]\n"
              "inv_missing_streams.inv:/Message Spec/Msg Title: the stream is missing "
              "[missing-stream]\n"
              "inv_missing_streams.inv:/Common Spec/Common Info: the stream is missing "
              "[missing-stream]\n"
              "inv_missing_streams.inv:/Parameter Spec/Group-*: 1 of the 10 group storages are "
              "missing: their groups stay zero [missing-storage]\n"
              "inv_missing_streams.inv: 4 findings (2 missing-storage, 2 missing-stream)\n");
    const Outcome all = RunVqdf(corpus, "check inv_missing_streams.inv", Dir());
    EXPECT_NE(all.out.find("inv_missing_streams.inv:/Parameter Spec/Group-3/Group Info: warning: "
                           "group 0 has no title [title-empty]\n"
                           "inv_missing_streams.inv: 8 findings, 1 of them a warning (2 "
                           "default-outside-limits, 1 group-repeated,"),
              std::string::npos)
        << all.out;
    const Outcome unknown = RunVqdf(corpus, "check --error no-such inv_missing_streams.inv", Dir());
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err,
              "vqdf: error: no rule or finding kind is named \"no-such\": vqdf check --rules lists "
              "them\n");
    const Outcome cut = RunVqdf(corpus, "check inv_parameters_beyond_stream.inv", Dir());
    EXPECT_EQ(cut.status, 1);
    EXPECT_NE(cut.out.find(":/Parameter Spec/Group-1/Parameter: the stream holds 2900 of the "
                           "42949600 bytes its count needs: the rest stays zero [short-stream]\n"),
              std::string::npos)
        << cut.out;
}

std::vector<std::string> FilesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// What the target format does not keep is said on standard error, and the exit status is 1;
// --strict then writes nothing. Formats go by content in and by name, in any case, or --format
// out; "-" is standard output. (That the records come back is the round trips' to show.)
TEST_F(Cli, ConvertSaysWhatTheTargetFormatDoesNotKeep) {
    const auto json = Examples() / "M1_1_05.json";
    const auto legacy = Examples() / "DataFile/M1/M1_1_05.inv";
    const Outcome toLegacy = RunVqdf(Dir(), "convert '" + json.string() + "' A_1.INV", Dir());
    EXPECT_EQ(toLegacy.status, 1);
    // The parameter ids and the counts found by title come back from the legacy file as JSON:
    // they are not lost.
    EXPECT_EQ(toLegacy.err,
              "vqdf: the legacy format keeps no device KeypadCommOffset32: 1 dropped\n"
              "vqdf: the legacy format keeps no parameter roles: 15 dropped\n"
              "vqdf: the legacy format keeps no function blocks: 20 dropped\n");
    // What only the JSON format has is added, not counted as changed; the counts found by title
    // are changed.
    const Outcome toJson = InDir("convert A_1.INV A_2.Json");
    EXPECT_EQ(toJson.status, 1);
    EXPECT_NE(toJson.err.find("vqdf: note: the JSON format adds parameter ids: 303 added ("),
              std::string::npos)
        << toJson.err;
    EXPECT_EQ(InDir("convert A_2.Json A_3.inv").status, 0);
    EXPECT_EQ(FileText(Dir() / "A_3.inv"), FileText(legacy));
    std::filesystem::copy_file(Dir() / "A_3.inv", Dir() / "B_3.json");
    EXPECT_EQ(InDir("convert B_3.json - --format inv").out, FileText(legacy));
    const Outcome same = RunVqdf(Dir(), "convert '" + json.string() + "' C_1.json", Dir());
    EXPECT_EQ(same.status, 0);
    EXPECT_EQ(same.err, "");
    EXPECT_TRUE(std::filesystem::exists(Dir() / "C_1_Title.json"));
    // Nothing a conversion works with stays behind it.
    const std::vector<std::string> before = FilesIn(Dir());
    EXPECT_EQ(before, (std::vector<std::string>{"A_1.INV", "A_2.Json", "A_2_Title.json", "A_3.inv",
                                                "B_3.json", "C_1.json", "C_1_Title.json",
                                                "examples", "stderr.txt", "stdout.txt"}));

    const Outcome strict =
        RunVqdf(Dir(), "convert --strict '" + json.string() + "' D_1.inv", Dir());
    EXPECT_EQ(strict.status, 2);
    EXPECT_NE(strict.err.find("vqdf: error: the legacy file would not keep every record; nothing "
                              "is written\n"),
              std::string::npos);
    EXPECT_EQ(FilesIn(Dir()), before);
}

using Doc = rapidjson::Document;

struct DiffCase {
    void (*edit)(Doc&);
    const char* expected;  // the first line
    std::size_t lines = 1;
};

// The tables only a JSON file has, which its records do not hold: an edit of the file names them.
const DiffCase kDiffCases[] = {
    {[](Doc& d) { d["SimpleScope"]["Enable"]["Parameters::id"] = 207; },
     "~ parameter role 200 ParamId: 201 -> 207\n"
     "~ parameter role 200 CommAddr: 0x2702 -> 0x272C\n",
     2},
    {[](Doc& d) {
         d["ParameterGroups"][1]["Parameters"].Erase(d["ParameterGroups"][1]["Parameters"].Begin() +
                                                     3);
     },
     "~ group 1 ParameterCount: 29 -> 28\n- parameter 1/3 \"Stop Mode\"\n- parameter id 35 "
     "(ParamId 35, GroupNum 1, CodeNum 3)\n",
     3},
    {[](Doc& d) { d["AdvUserSeq"]["FunctionList"][0]["Expansion"][0]["IOTypes::id"] = 2; },
     "~ function block expansion 101/0 IOTypeId: 1 -> 2\n"},
    {[](Doc& d) { d["AdvUserSeq"]["Comments"][0]["contents"] = "ADD: adds"; },
     "~ function block 101 Comment: \"ADD: user sequence function block\" -> \"ADD: adds\"\n"},
};

// What differs in the tables only a JSON file has is named, as a line and in the JSON list;
// nothing differs between a file and its JSON copy.
TEST_F(Cli, DiffNamesWhatDiffersInTheTablesOfJsonFiles) {
    std::filesystem::copy_file(kExamples / "M1_1_05_Title.json", Dir() / "E_1_Title.json");
    const std::string example = "'" + (Examples() / "M1_1_05.json").string() + "' ";
    for (const DiffCase& c : kDiffCases) {
        WriteFile("E_1.json", EditedExample(c.edit));
        const Outcome diff = InDir("diff " + example + "E_1.json");
        EXPECT_EQ(diff.status, 1) << c.expected << diff.err;
        EXPECT_EQ(diff.out.substr(0, std::strlen(c.expected)), c.expected);
        EXPECT_EQ(static_cast<std::size_t>(std::count(diff.out.begin(), diff.out.end(), '\n')),
                  c.lines)
            << diff.out;
    }
    const Outcome json = InDir("diff --json " + example + "E_1.json");
    rapidjson::Document parsed;
    parsed.Parse(json.out.c_str());
    ASSERT_TRUE(parsed.IsArray() && parsed.Size() == 1u) << json.out;
    EXPECT_STREQ(parsed[0]["change"].GetString(), "changed");
    EXPECT_STREQ(parsed[0]["what"].GetString(), "function block");
    EXPECT_STREQ(parsed[0]["key"].GetString(), "101");
    EXPECT_STREQ(parsed[0]["field"].GetString(), "Comment");
    EXPECT_STREQ(parsed[0]["after"].GetString(), "ADD: adds");

    ASSERT_EQ(InDir("convert " + example + "C_1.json").status, 0);
    const Outcome same = InDir("diff " + example + "C_1.json");
    EXPECT_EQ(same.status, 0);
    EXPECT_EQ(same.out, "");
}

struct ErrorCase {
    const char* arguments;
    int status;
    const char* error;  // the start of what goes to standard error
    const char* stdoutTo = "";
};

// Whatever goes wrong exits 2 with the cause: the system's reason for a file it cannot read or
// write, the parse error in plain words, the usage error.
TEST_F(Cli, ErrorsNameTheirCause) {
    WriteFile("P_1.json", "{\n \"Units\": [}\n");
    WriteFile("B_1.inv", "not a compound file\n");
    Write("S_1");
    Write("U_1");
    WriteFile("U_1.json", "\xEF\xBB\xBF{}");
    titles.clear();
    Write("N_1");
    Set("Trips", "");
    titles = R"({"Titles": []})";
    Write("T_1");
    std::filesystem::create_directory(Dir() / "D_1.json");
    std::filesystem::create_directory(Dir() / "W_1_Title.json");
    const std::string legacy = FileText(kExamples / "DataFile/M1/M1_1_05.inv");
    WriteFile("C_1.inv", legacy.substr(0, 3000));
    std::filesystem::create_symlink("L_2.json", Dir() / "L_1.json");
    std::filesystem::create_symlink("L_1.json", Dir() / "L_2.json");
    const ErrorCase cases[] = {
        {"show nofile.json", 2, "vqdf: error: nofile.json: No such file or directory\n"},
        {"show L_1.json", 2, "vqdf: error: L_1.json: Too many levels of symbolic links\n"},
        {"dump D_1.json", 2, "vqdf: error: D_1.json: Is a directory\n"},
        {"check /proc/self/mem", 2, "vqdf: error: /proc/self/mem: Input/output error\n"},
        {"dump P_1.json", 2,
         "vqdf: error: P_1.json:2:12: this is no JSON value (RapidJSON: Invalid value.)\n"},
        {"dump U_1.json", 2,
         "vqdf: error: U_1.json:1:1: the file begins with a byte-order mark, not with its JSON "
         "text (RapidJSON: Invalid value.)\n"},
        {"show N_1.json", 2, "vqdf: error: N_1_Title.json: the titles document does not exist\n"},
        {"show T_1.json", 2, "vqdf: error: T_1.json:/Trips: the required section is missing\n"},
        {"show B_1.inv", 2,
         "vqdf: error: B_1.inv: the file cannot be opened: it is no compound file: it begins with "
         "\"not a compound f\"\n"},
        {"show C_1.inv", 2,
         "vqdf: error: C_1.inv: the file cannot be opened: the compound file is damaged: "},
        {"read --tcp 127.0.0.1:1 --rtu /dev/null S_1.json", 2,
         "vqdf: error: give --tcp or --rtu, not both\n"},
        {"read --tcp 127.0.0.1:99999 S_1.json", 2,
         "vqdf: error: --tcp 127.0.0.1:99999: 99999 is not a TCP port (1 to 65535)\n"},
        {"read --tcp host.invalid S_1.json", 2, "vqdf: error: cannot find the host host.invalid: "},
        {"read --tcp 127.0.0.1:1 --baud 9600 S_1.json", 2,
         "vqdf: error: --baud and --parity are for a serial line (--rtu), not --tcp\n"},
        {"read --rtu /dev/null --unit 0 S_1.json", 2, "vqdf: error: --unit 0 is not a drive's "},
        {"read --rtu /dev/null --baud 0 S_1.json", 2, "vqdf: error: --baud 0 is not a serial "},
        {"read --tcp 127.0.0.1:1 --timeout -1 S_1.json", 2, "vqdf: error: --timeout takes "},
        {"read --tcp 127.0.0.1:1 --retries -1 S_1.json", 2, "vqdf: error: --retries takes "},
        {"watch --tcp 127.0.0.1:1 --interval nan S_1.json", 2, "vqdf: error: --interval takes "},
        {"write S_1.json 1/6", 2,
         "vqdf: error: give the value to write after 1/6, or the data file before it\n"},
        {"convert S_1.json W_1.json", 2,
         "vqdf: error: cannot write W_1_Title.json: Is a directory\n"},
        {"show --model M9 --version 1.0 --datafile-dir DataFile", 2,
         "vqdf: error: DataFile/M9/M9_1_0.inv: No such file or directory\n"},
        {"show --group 42 S_1.json", 2,
         "vqdf: error: S_1.json: no group numbered or titled \"42\"\n"},
        {"dump S_1.json", 2, "vqdf: error: cannot write standard output: No space left on device\n",
         "/dev/full"},
        {"check S_1.json", 2,
         "vqdf: error: cannot write standard output: No space left on device\n", "/dev/full"},
        {"convert S_1.json missing-dir/X_1.inv", 2,
         "vqdf: error: cannot write missing-dir/X_1.inv: No such file or directory\n"},
        {"convert S_1.json /proc/X_1.json", 2, "vqdf: error: cannot write /proc/X_1.json: "},
        {"convert S_1.json X_1.txt", 2,
         "vqdf: error: cannot tell the format to write X_1.txt: name it .json or .inv, or give "
         "--format json or --format inv\n"},
        {"convert S_1.json -", 2, "vqdf: error: cannot tell the format to write to standard "},
        {"convert S_1.json - --format json", 2,
         "vqdf: error: a JSON data file comes with its titles document: give it a file name\n"},
        {"diff S_1.json nofile.json", 2, "vqdf: error: nofile.json: No such file or directory\n"},
        {"shwo S_1.json", 2, "vqdf: error: unknown command \"shwo\"; did you mean \"show\"?\n"},
        {"", 2,
         "vqdf: error: give a command: show, dump, check, convert, diff, schema, read, watch, "
         "write, backup, restore, compare or simulate\n"},
        {"show", 2, "vqdf: error: give FILE, or --model and --version\n"},
        {"compare", 2, "vqdf: error: give FILE, or --model and --version\n"},
        {"compare S_1.json --defaults", 2,
         "vqdf: error: give two things to compare: the drive (--tcp or --rtu) or a set, and a set "
         "or --defaults\n"},
        {"restore S_1.json set.json", 2,
         "vqdf: error: give the drive's place: --tcp HOST[:PORT] or --rtu DEVICE\n"},
        {"show S_1.json --model M1 --version 1.05", 2,
         "vqdf: error: give FILE or --model and --version, not both\n"},
        {"show --model M1", 2, "vqdf: error: --model requires --version\n"},
        {"show --bogus S_1.json", 2, "vqdf: error: The following argument was not expected"},
        {"diff S_1.json", 2, "vqdf: error: B is required\n"},
    };
    for (const ErrorCase& c : cases) {
        const Outcome outcome = RunVqdf(Dir(), c.arguments, Dir(), c.stdoutTo);
        EXPECT_EQ(outcome.status, c.status) << c.arguments;
        EXPECT_EQ(outcome.err.substr(0, std::strlen(c.error)), c.error) << c.arguments;
        EXPECT_EQ(outcome.out, "") << c.arguments;
    }
    EXPECT_EQ(FilesIn(Dir() / "D_1.json").size(), 0u);
}

// A data file from standard input, with its titles document given; a converted file written
// through a link to the file it names, which keeps its mode; a damaged file shown in proportion
// to what it holds; the summary and the changes as data.
TEST_F(Cli, PipesLinksModesAndData) {
    EXPECT_EQ(InExamples("check - < M1_1_05.json").status, 2);
    EXPECT_EQ(InExamples("--titles M1_1_05_Title.json check - < M1_1_05.json").out,
              "-: no findings\n");
    EXPECT_EQ(InExamples("dump /dev/stdin < DataFile/M1/M1_1_05.inv").out,
              InExamples("dump DataFile/M1/M1_1_05.inv").out);

    std::filesystem::create_directory(Dir() / "real");
    ASSERT_EQ(InExamples("convert M1_1_05.json ../real/C_1.json").status, 0);
    std::filesystem::permissions(Dir() / "real/C_1.json", std::filesystem::perms::owner_read |
                                                              std::filesystem::perms::owner_write);
    std::filesystem::create_symlink("real/C_1.json", Dir() / "C_1.json");
    ASSERT_EQ(InExamples("convert M1_1_05.json ../C_1.json").status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(Dir() / "C_1.json"));
    EXPECT_EQ(std::filesystem::status(Dir() / "real/C_1.json").permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    const std::filesystem::path corpus = VQDF_CORPUS_DIR;
    const Outcome damaged = RunVqdf(corpus, "show inv_parameters_beyond_stream.inv", Dir());
    EXPECT_EQ(damaged.status, 0);
    EXPECT_NE(damaged.out.find("  and 429467 more entries the file does not hold, all zero\n"),
              std::string::npos);
    EXPECT_LT(damaged.out.size(), 100'000u);

    EXPECT_EQ(RunVqdf(corpus, "check --json --summary inv_missing_streams.inv", Dir()).out,
              "{\n  \"file\": \"inv_missing_streams.inv\",\n  \"loads\": true,\n"
              "  \"findings\": 8,\n  \"errors\": 7,\n  \"warnings\": 1,\n"
              "  \"kinds\": {\n    \"default-outside-limits\": 2,\n    \"group-repeated\": 1,\n"
              "    \"missing-storage\": 2,\n    \"missing-stream\": 2,\n"
              "    \"title-empty\": 1\n  }\n}\n");
    const Outcome changes = InExamples("diff --json M1_1_05.json DataFile/M1/M1_1_05.inv");
    EXPECT_NE(changes.out.find("\"before\": 8192,"), std::string::npos) << changes.out;
    EXPECT_NE(changes.out.find("\"before\": {\"Role\":100,\"ParamId\":212,\"CommAddr\":5928}"),
              std::string::npos);
}

TEST_F(Cli, VersionHelpAndTraceLine) {
    EXPECT_EQ(InDir("--version").out, "vqdf " VQDF_VERSION "\n");
    const Outcome help = InDir("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Exit status, the same for every command:"), std::string::npos);
    Write();
    // Options of vqdf itself come before or after the command.
    for (const char* arguments : {"--verbose dump M1_1_05.json", "check --verbose M1_1_05.json"}) {
        const Outcome verbose = InDir(arguments);
        EXPECT_EQ(verbose.status, 0);
        EXPECT_EQ(verbose.err.rfind("vqdf: trace: M1_1_05.json: loaded in 0.", 0), 0u)
            << verbose.err;
        EXPECT_EQ(verbose.err.substr(verbose.err.size() - 3), " s\n");
    }
    EXPECT_EQ(InDir("dump M1_1_05.json").err, "");
}

}  // namespace
}  // namespace vqdf
