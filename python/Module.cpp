// vqdf._vqdf: the internal API for Python. Loads keep the loaded file in a Python object for as
// long as Python holds it; the package around this module (vqdf/__init__.py) turns results into
// Python objects and failures into its own exceptions. File names cross as bytes, as the system
// gives them, so that any name survives the way in and out.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "DataFileApi.h"
#include "DriveApi.h"

namespace py = pybind11;

namespace vqdf::python {
namespace {

// A file name as Python shows one: decoded as the file system's encoding does, undecodable bytes
// kept as surrogates.
py::str FileName(const std::string& bytes) {
    return py::reinterpret_steal<py::str>(
        PyUnicode_DecodeFSDefaultAndSize(bytes.data(), static_cast<Py_ssize_t>(bytes.size())));
}

// A finding's text as Python shows it; a message may quote bytes of the file that are not UTF-8,
// which show as U+FFFD, as in the tool's JSON.
py::str Text(const std::string& bytes) {
    const std::string utf8 = api::Utf8Text(bytes.data(), bytes.size());
    return py::str(utf8.data(), utf8.size());
}

py::dict FindingDict(const api::Finding& finding) {
    py::dict d;
    d["kind"] = finding.kind;
    d["file"] = FileName(finding.file);
    d["place"] = Text(finding.place);
    d["message"] = Text(finding.message);
    d["severity"] = api::SeverityName(finding.severity);
    return d;
}

py::list FindingList(const std::vector<api::Finding>& findings) {
    py::list list;
    for (const api::Finding& finding : findings) {
        list.append(FindingDict(finding));
    }
    return list;
}

// The walk of the records as Python objects: the document `vqdf dump` prints.
class PythonSink : public api::RecordSink {
public:
    py::object Result() const { return result_; }

    void StartObject() override { Open(py::dict()); }
    void EndObject() override { open_.pop_back(); }
    void StartArray() override { Open(py::list()); }
    void EndArray() override { open_.pop_back(); }
    void Key(std::string_view key) override { key_ = py::str(key.data(), key.size()); }
    void Int(int64_t value) override { Add(py::int_(value)); }
    void Text(std::string_view utf8) override { Add(py::str(utf8.data(), utf8.size())); }
    void Null() override { Add(py::none()); }

private:
    void Open(py::object container) {
        Add(container);
        open_.push_back(std::move(container));
    }
    void Add(const py::object& value) {
        if (open_.empty()) {
            result_ = value;
        } else if (py::isinstance<py::dict>(open_.back())) {
            open_.back().cast<py::dict>()[key_] = value;
        } else {
            open_.back().cast<py::list>().append(value);
        }
    }

    py::object result_ = py::none();
    std::vector<py::object> open_;
    py::str key_;
};

// A loaded file, with what its load found, turned into Python objects only when asked for.
struct File {
    std::unique_ptr<api::DataFile> file;
    std::vector<api::Finding> findings;

    // What the load found and what the rules find, as the choices ask.
    py::list Findings(const std::vector<std::string>& ignore,
                      const std::vector<std::string>& error) const {
        std::vector<api::Finding> all = findings;
        std::vector<api::Finding> found = api::CheckRules(*file);
        all.insert(all.end(), found.begin(), found.end());
        if (const auto unknown = api::ApplyRuleChoices(all, {ignore, error})) {
            throw py::value_error("no rule or finding kind is named \"" + *unknown + "\"");
        }
        return FindingList(all);
    }

    py::str Path() const { return FileName(file->Path()); }
    std::string Format() const { return api::FormatName(file->GetFormat()); }
    py::object ToDict() const {
        PythonSink sink;
        api::WalkRecords(*file, sink);
        return sink.Result();
    }
    uint32_t Address16(int32_t group, int32_t code) const {
        return file->ParamAddress16(group, code);
    }
    std::optional<uint32_t> Address32(int32_t group, int32_t code) const {
        return file->ParamAddress32(group, code);
    }
};

// (file, None, None), or (None, the failure, the findings). Message titles show degree signs as a
// host reads them, unless the file is to be written again as it is stored.
py::tuple Open(const py::bytes& path, bool degreeSigns) {
    api::OpenResult result;
    {
        const std::string name = path;
        py::gil_scoped_release unlocked;
        result = api::Open(name);
    }
    if (!result.file) {
        py::dict failure = FindingDict(result.failure);
        failure["errno"] = result.failure.errorNumber;
        return py::make_tuple(py::none(), failure, FindingList(result.findings));
    }
    if (degreeSigns) {
        result.file->ShowDegreeSigns();
    }
    auto file = std::make_unique<File>();
    file->file = std::move(result.file);
    file->findings = std::move(result.findings);
    return py::make_tuple(py::cast(std::move(file)), py::none(), py::none());
}

py::list Diff(const File& before, const File& after) {
    py::list changes;
    const py::object loads = py::module_::import("json").attr("loads");
    for (const api::Change& c : api::Diff(*before.file, *after.file)) {
        py::dict d;
        d["change"] = c.change;
        d["what"] = c.what;
        d["key"] = c.key;
        d["field"] = c.field;
        d["before"] = loads(c.beforeJson);
        d["after"] = loads(c.afterJson);
        changes.append(d);
    }
    return changes;
}

py::dict Write(const File& file, const py::bytes& out, const std::string& format, bool strict) {
    api::WriteOptions options;
    options.strict = strict;
    api::WriteResult result;
    {
        const std::string name = out;
        const api::Format target = format == "json" ? api::Format::Json : api::Format::Legacy;
        py::gil_scoped_release unlocked;
        result = api::Write(*file.file, name, target, options);
    }
    py::list losses;
    for (const api::Loss& loss : result.losses) {
        py::dict d;
        d["what"] = loss.what;
        d["count"] = loss.count;
        d["how"] = loss.how == api::Loss::How::Dropped   ? "dropped"
                   : loss.how == api::Loss::How::Changed ? "changed"
                                                         : "added";
        d["example"] = loss.example;
        losses.append(d);
    }
    py::dict d;
    d["written"] = result.written;
    d["error"] = result.error;
    d["losses"] = losses;
    return d;
}

std::optional<std::string> FormatOfName(const py::bytes& path) {
    const auto format = api::FormatOfName(std::string(path));
    if (!format) {
        return std::nullopt;
    }
    return *format == api::Format::Json ? "json" : "legacy";
}

// The seconds that loads of a file take without Python around them, with or without collecting
// findings: the baselines of the benchmark of load().
double NativeLoadSeconds(const py::bytes& path, int repetitions, bool findings) {
    const std::string name = path;
    py::gil_scoped_release unlocked;
    api::OpenOptions options;
    options.findings = findings;
    const auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < repetitions; ++k) {
        api::OpenResult result = api::Open(name, options);
        if (result.file) {
            result.file->ShowDegreeSigns();
        }
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A stand-in drive serving on a thread of its own; the loaded file it serves is kept alive with
// it.
class Simulator {
public:
    Simulator(py::object owner, const File& file, const std::string& tcp, int unit)
        : owner_(std::move(owner)) {
        api::SimulatorOptions options;
        options.tcp = tcp;
        options.unit = unit;
        std::string error;
        simulator_ = api::DriveSimulator::Start(*file.file, options, error);
        if (!simulator_) {
            throw std::runtime_error(error);
        }
    }

    void Command(const std::string& line) {
        std::string error;
        if (!Running().Command(line, error)) {
            throw py::value_error(error);
        }
    }
    void Stop() {
        py::gil_scoped_release unlocked;
        simulator_.reset();
    }
    std::string Place() { return Running().Place(); }
    int Port() { return Running().Port(); }
    long Requests() { return Running().Requests(); }
    long Saves() { return Running().Saves(); }
    std::optional<uint16_t> Register(uint16_t address) { return Running().Register(address); }

private:
    api::DriveSimulator& Running() {
        if (!simulator_) {
            throw std::runtime_error("the simulator is stopped");
        }
        return *simulator_;
    }

    py::object owner_;
    std::unique_ptr<api::DriveSimulator> simulator_;
};

}  // namespace
}  // namespace vqdf::python

PYBIND11_MODULE(_vqdf, m) {
    using namespace vqdf::python;
    m.doc() = "The native part of vqdf: loads, walks, compares and writes data files.";
    py::class_<File>(m, "File", "A loaded data file.")
        .def_property_readonly("path", &File::Path)
        .def_property_readonly("format", &File::Format)
        .def("findings", &File::Findings, py::arg("ignore"), py::arg("error"),
             "What the load skipped or cut and what the rules find.")
        .def("to_dict", &File::ToDict, "Every record and table, as `vqdf dump` prints them.")
        .def("address16", &File::Address16, py::arg("group"), py::arg("code"))
        .def("address32", &File::Address32, py::arg("group"), py::arg("code"));
    py::class_<Simulator>(m, "Simulator", "A stand-in drive serving a loaded file.")
        .def(py::init([](py::object file, const std::string& tcp, int unit) {
                 const File& native = file.cast<const File&>();
                 return std::make_unique<Simulator>(file, native, tcp, unit);
             }),
             py::arg("file"), py::arg("tcp"), py::arg("unit"))
        .def("command", &Simulator::Command, py::arg("line"))
        .def("stop", &Simulator::Stop)
        .def_property_readonly("place", &Simulator::Place)
        .def_property_readonly("port", &Simulator::Port)
        .def_property_readonly("requests", &Simulator::Requests)
        .def_property_readonly("saves", &Simulator::Saves)
        .def("register", &Simulator::Register, py::arg("address"));
    m.def("open", &Open, py::arg("path"), py::arg("degree_signs") = true,
          "Loads a file: (File, None, None), or (None, the failure, the findings).");
    m.def("diff", &Diff, py::arg("before"), py::arg("after"));
    m.def("write", &Write, py::arg("file"), py::arg("out"), py::arg("format"), py::arg("strict"));
    m.def("format_of_name", &FormatOfName, py::arg("path"));
    m.def("native_load_seconds", &NativeLoadSeconds, py::arg("path"), py::arg("repetitions"),
          py::arg("findings"));
    m.def("rules", [] {
        py::list rules;
        for (const auto& [list, source] :
             {std::pair(&vqdf::api::Rules(), "rule"), {&vqdf::api::LoadFindingKinds(), "load"}}) {
            for (const vqdf::api::Rule& rule : *list) {
                py::dict d;
                d["name"] = std::string(rule.name);
                d["severity"] = vqdf::api::SeverityName(rule.severity);
                d["sentence"] = std::string(rule.sentence);
                d["source"] = source;
                rules.append(d);
            }
        }
        return rules;
    });
    m.def("data_file_schema", &vqdf::api::DataFileSchema);
    m.def("titles_schema", &vqdf::api::TitlesSchema);
    m.attr("version") = VQDF_VERSION;
}
