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

// A parameter set as a dict of the package's ParameterSet fields, and back.
py::dict SetDict(const api::ParameterSet& set) {
    py::dict d;
    d["model"] = set.model;
    d["model_no"] = set.modelNo;
    d["version"] = set.version;
    d["drive_model_no"] = set.driveModelNo ? py::object(py::int_(*set.driveModelNo)) : py::none();
    d["read_at"] = set.readAt;
    d["read_from"] = set.readFrom;
    py::list values;
    for (const api::SetValue& v : set.values) {
        values.append(py::make_tuple(v.group, v.code, v.title, v.address,
                                     v.raw ? py::object(py::int_(*v.raw)) : py::none(), v.refused));
    }
    d["values"] = values;
    return d;
}

api::ParameterSet SetFrom(const py::dict& d) {
    api::ParameterSet set;
    set.model = d["model"].cast<std::string>();
    set.modelNo = d["model_no"].cast<int32_t>();
    set.version = d["version"].cast<std::string>();
    if (!d["drive_model_no"].is_none()) {
        set.driveModelNo = d["drive_model_no"].cast<int32_t>();
    }
    set.readAt = d["read_at"].cast<std::string>();
    set.readFrom = d["read_from"].cast<std::string>();
    for (const py::handle value : d["values"]) {
        const auto v = value.cast<py::tuple>();
        set.values.push_back(
            {v[0].cast<int32_t>(), v[1].cast<int32_t>(), v[2].cast<std::string>(),
             v[3].cast<uint16_t>(),
             v[4].is_none() ? std::nullopt : std::optional<int32_t>(v[4].cast<int32_t>()),
             v[5].cast<std::string>()});
    }
    return set;
}

const char* OutcomeName(api::RestoreStep::Outcome outcome) {
    switch (outcome) {
        case api::RestoreStep::Outcome::Unchanged:
            return "unchanged";
        case api::RestoreStep::Outcome::Written:
            return "written";
        case api::RestoreStep::Outcome::Refused:
            return "refused";
        case api::RestoreStep::Outcome::Differs:
            return "differs";
        case api::RestoreStep::Outcome::NotReached:
            return "not reached";
        case api::RestoreStep::Outcome::Planned:
            break;
    }
    return "planned";
}

// A link to a drive by its data file, kept alive with it; failures raise RuntimeError with why.
class Drive {
public:
    Drive(py::object owner, const api::LinkOptions& options) : owner_(std::move(owner)) {
        std::string error;
        {
            py::gil_scoped_release unlocked;
            link_ = api::DriveLink::Open(options, error);
        }
        if (!link_) {
            throw std::runtime_error(error);
        }
    }

    std::string Place() { return Link().Name(); }

    py::dict Backup(bool force) {
        std::string why;
        std::optional<api::ParameterSet> set;
        {
            py::gil_scoped_release unlocked;
            set = api::Backup(File(), Link(), force, why);
        }
        if (!set) {
            throw std::runtime_error(why);
        }
        return SetDict(*set);
    }

    // (steps, why): every step with its outcome, and why the link failed, or None.
    py::tuple Restore(const py::dict& set, bool dryRun, std::optional<int32_t> save) {
        std::string why;
        std::optional<api::RestorePlan> plan = api::PlanRestore(File(), SetFrom(set), why);
        if (!plan) {
            throw py::value_error(why);
        }
        bool done = true;
        if (!dryRun) {
            py::gil_scoped_release unlocked;
            done = api::Restore(File(), Link(), *plan, save, why);
        }
        py::list steps;
        for (const api::RestoreStep& step : plan->steps) {
            py::dict d;
            d["group"] = step.parameter.group->GroupNum;
            d["code"] = step.parameter.param->CodeNum;
            d["title"] = api::CodePageText(step.parameter.param->Title);
            d["address"] = step.parameter.address;
            d["value"] = step.value;
            d["outcome"] = OutcomeName(step.outcome);
            d["read_back"] = step.readBack ? py::object(py::int_(*step.readBack)) : py::none();
            d["note"] = step.note;
            steps.append(d);
        }
        return py::make_tuple(steps, done ? py::none() : py::object(py::str(why)), plan->unmatched,
                              plan->unread);
    }

    void Close() { link_.reset(); }

private:
    api::DriveLink& Link() {
        if (!link_) {
            throw std::runtime_error("the link to the drive is closed");
        }
        return *link_;
    }
    const api::DataFile& File() { return *owner_.cast<const struct File&>().file; }

    py::object owner_;
    std::unique_ptr<api::DriveLink> link_;
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
    py::class_<Drive>(m, "Drive", "A link to a drive by its data file.")
        .def(py::init([](py::object file, const std::string& tcp, const std::string& rtu, int unit,
                         double timeout, int retries, std::optional<int> baud,
                         std::optional<std::string> parity) {
                 file.cast<const File&>();
                 vqdf::api::LinkOptions options;
                 options.tcp = tcp;
                 options.rtu = rtu;
                 options.unit = unit;
                 options.timeout = timeout;
                 options.retries = retries;
                 options.baud = baud;
                 options.parity = parity;
                 const std::string problem = vqdf::api::LinkOptionsProblem(options);
                 if (!problem.empty()) {
                     throw py::value_error(problem);
                 }
                 return std::make_unique<Drive>(file, options);
             }),
             py::arg("file"), py::arg("tcp"), py::arg("rtu"), py::arg("unit"), py::arg("timeout"),
             py::arg("retries"), py::arg("baud"), py::arg("parity"))
        .def_property_readonly("place", &Drive::Place)
        .def("backup", &Drive::Backup, py::arg("force"))
        .def("restore", &Drive::Restore, py::arg("set"), py::arg("dry_run"), py::arg("save"))
        .def("close", &Drive::Close);
    m.def("defaults", [](const File& file) { return SetDict(vqdf::api::Defaults(*file.file)); });
    m.def("compare_sets", [](const File& file, const py::dict& before, const py::dict& after) {
        py::list differences;
        for (const vqdf::api::SetDifference& d :
             vqdf::api::CompareSets(*file.file, SetFrom(before), SetFrom(after))) {
            differences.append(py::make_tuple(
                d.group, d.code, d.title, d.before ? py::object(py::int_(*d.before)) : py::none(),
                d.after ? py::object(py::int_(*d.after)) : py::none()));
        }
        return differences;
    });
    m.def("parameter_set_text", [](const File& file, const py::dict& set) {
        return vqdf::api::ParameterSetText(*file.file, SetFrom(set));
    });
    m.def("read_parameter_set", [](const py::bytes& path) {
        std::string why;
        const std::optional<vqdf::api::ParameterSet> set = vqdf::api::ReadParameterSet(path, why);
        if (!set) {
            throw py::value_error(why);
        }
        return SetDict(*set);
    });
    m.def("write_text", [](const py::bytes& path, const std::string& text) {
        std::string why;
        if (!vqdf::api::WriteTextFileAtomically(path, text, why)) {
            throw std::runtime_error(why);
        }
    });
    m.def("parameter_set_schema", &vqdf::api::ParameterSetSchema);
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
