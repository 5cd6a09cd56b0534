// vqdf backup, restore and compare: a drive's parameters as a parameter set, a set put back on a
// drive, and a drive or a set against another set or the file's defaults.
#include <fmt/format.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "Commands.h"
#include "RecordText.h"

namespace vqdf::cli {
namespace {

using Outcome = api::RestoreStep::Outcome;

// A value as people read it, with its unit; "absent" or "refused" where there is none.
std::string Shown(const api::DataFile& file, const api::Parameter* parameter,
                  std::optional<int32_t> value, bool present) {
    if (!present) {
        return "absent";
    }
    if (!value) {
        return "refused";
    }
    if (parameter == nullptr) {
        return std::to_string(*value);
    }
    const ParamInfo& param = *parameter->param;
    return WithUnit(api::ShownValue(file, param, *value),
                    api::IsEnumerated(param) ? std::string() : Utf8Text(param.Unit));
}

std::optional<api::Parameter> Find(const api::DataFile& file, int32_t group, int32_t code) {
    std::string why;
    return api::FindParameter(file, std::to_string(group) + "/" + std::to_string(code), why);
}

}  // namespace

int BackupDrive(const api::DataFile& file, const api::LinkOptions& link,
                const BackupOptions& options) {
    const std::unique_ptr<api::DriveLink> drive = Connect(link);
    if (!drive) {
        return kTrouble;
    }
    std::string why;
    const std::optional<api::ParameterSet> set = api::Backup(file, *drive, options.force, why);
    if (!set) {
        return Fail(why);
    }
    if (!api::WriteTextFileAtomically(options.output, api::ParameterSetText(file, *set), why)) {
        return Fail(why);
    }
    int refused = 0;
    for (const api::SetValue& v : set->values) {
        if (!v.raw) {
            fmt::print(stderr, "vqdf: {}/{} {} at {}: refused: {}\n", v.group, v.code, v.title,
                       Hex(v.address), v.refused);
            ++refused;
        }
    }
    if (refused > 0) {
        fmt::print(stderr, "vqdf: {} of {} parameters were refused; the set lists them\n", refused,
                   set->values.size());
    }
    return refused == 0 ? kDone : kNotClean;
}

int RestoreDrive(const api::DataFile& file, const api::LinkOptions& link,
                 const RestoreOptions& options) {
    std::string why;
    const std::optional<api::ParameterSet> set = api::ReadParameterSet(options.set, why);
    if (!set) {
        return Fail(why);
    }
    std::optional<api::RestorePlan> plan = api::PlanRestore(file, *set, why);
    if (!plan) {
        return Fail(why);
    }
    for (const std::string& name : plan->unmatched) {
        fmt::print(stderr, "vqdf: note: the data file has no parameter {}: it is not written\n",
                   name);
    }
    for (const std::string& name : plan->unread) {
        fmt::print(stderr, "vqdf: note: {} was refused when the set was read: it is not written\n",
                   name);
    }
    const auto line = [&](const api::RestoreStep& step, const std::string& what) {
        fmt::print(stdout, "{} {}: {}\n", api::NameOf(step.parameter),
                   CodePageText(step.parameter.param->Title), what);
    };
    const auto value = [&](const api::RestoreStep& step, int32_t v) {
        return Shown(file, &step.parameter, v, true);
    };
    std::unique_ptr<api::DriveLink> drive;
    if (options.connect && !(drive = Connect(link))) {
        return kTrouble;
    }
    if (options.dryRun) {
        // The plan in its order; where the drive is given, with what it holds now.
        for (const api::RestoreStep& step : plan->steps) {
            uint16_t held = 0;
            api::LinkError error;
            if (drive && !drive->Read(step.parameter.address, 1, &held, error) &&
                !error.exception) {
                return Fail(fmt::format("{}: {}", drive->Name(), error.text));
            }
            const int32_t now = api::ValueOfRegister(*step.parameter.param, held);
            line(step, drive && error.text.empty() && now == step.value
                           ? "holds " + value(step, step.value) + " already"
                           : fmt::format("would write {} (raw {}) to register {}",
                                         value(step, step.value), step.value,
                                         Hex(step.parameter.address)));
        }
        return kDone;
    }
    const bool done = api::Restore(file, *drive, *plan, options.save, why);
    int clean = 0;
    int reached = 0;
    for (const api::RestoreStep& step : plan->steps) {
        switch (step.outcome) {
            case Outcome::Unchanged:
                line(step, "unchanged, " + value(step, step.value));
                ++clean;
                break;
            case Outcome::Written:
                line(step, "written, " + value(step, step.value));
                ++clean;
                break;
            case Outcome::Refused:
                line(step, "refused: " + step.note);
                break;
            case Outcome::Differs:
                line(step, fmt::format("written {}, but the drive holds {}",
                                       value(step, step.value), value(step, *step.readBack)));
                break;
            case Outcome::Planned:
            case Outcome::NotReached:
                continue;
        }
        ++reached;
    }
    if (!done) {
        return Fail(fmt::format("{}; {} of {} parameters were done before it", why, reached,
                                plan->steps.size()));
    }
    if (options.save) {
        fmt::print(stdout, "wrote {} to the parameter save register {}\n", *options.save,
                   Hex(file.Device().ParaSaveCommAddr));
    }
    return clean == static_cast<int>(plan->steps.size()) ? kDone : kNotClean;
}

int CompareDrive(const api::DataFile& file, const api::LinkOptions& link,
                 const CompareOptions& options) {
    std::vector<api::ParameterSet> sets;
    std::vector<std::string> names;
    std::string why;
    if (options.connect) {
        const std::unique_ptr<api::DriveLink> drive = Connect(link);
        if (!drive) {
            return kTrouble;
        }
        std::optional<api::ParameterSet> read = api::Backup(file, *drive, options.force, why);
        if (!read) {
            return Fail(why);
        }
        sets.push_back(std::move(*read));
        names.push_back(drive->Name());
    }
    for (const std::string& path : options.sets) {
        std::optional<api::ParameterSet> read = api::ReadParameterSet(path, why);
        if (!read) {
            return Fail(why);
        }
        sets.push_back(std::move(*read));
        names.push_back(path);
    }
    if (options.defaults) {
        sets.push_back(api::Defaults(file));
        names.push_back("the defaults");
    }
    if (sets.size() != 2) {
        return Fail(
            "give two things to compare: the drive (--tcp or --rtu) or a set, and a set or "
            "--defaults");
    }
    const std::vector<api::SetDifference> differences = api::CompareSets(file, sets[0], sets[1]);
    if (options.json) {
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> w(buffer);
        w.StartArray();
        for (const api::SetDifference& d : differences) {
            const auto parameter = Find(file, d.group, d.code);
            w.StartObject();
            w.Key("group");
            w.Int(d.group);
            w.Key("code");
            w.Int(d.code);
            w.Key("title");
            w.String(d.title.c_str());
            for (const auto& [key, v] : {std::pair("before", d.before), {"after", d.after}}) {
                w.Key(key);
                if (!v) {
                    w.Null();
                    continue;
                }
                w.StartObject();
                w.Key("raw");
                w.Int(*v);
                w.Key("value");
                const std::string shown = Shown(file, parameter ? &*parameter : nullptr, v, true);
                w.String(shown.c_str());
                w.EndObject();
            }
            w.EndObject();
        }
        w.EndArray();
        fmt::print(stdout, "{}\n", buffer.GetString());
    } else {
        for (const api::SetDifference& d : differences) {
            const auto parameter = Find(file, d.group, d.code);
            const api::Parameter* p = parameter ? &*parameter : nullptr;
            const auto present = [&](const api::ParameterSet& set) {
                return std::any_of(set.values.begin(), set.values.end(), [&](const auto& v) {
                    return v.group == d.group && v.code == d.code;
                });
            };
            fmt::print(stdout, "{}/{} {}: {} -> {}\n", d.group, d.code, d.title,
                       Shown(file, p, d.before, present(sets[0])),
                       Shown(file, p, d.after, present(sets[1])));
        }
    }
    return differences.empty() ? kDone : kNotClean;
}

}  // namespace vqdf::cli
