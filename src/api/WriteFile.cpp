// Writing a data file in either format: under a temporary name beside the target, read back
// through the library's own reader and compared with the records it came from, then renamed into
// place, so that a target is either the whole new file or untouched.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>

#include "DataFileImpl.h"
#include "compound/LegacyWriter.h"
#include "json/JsonFormat.h"
#include "json/JsonWriter.h"
#include "platform/FileProbe.h"

namespace vqdf::api {

namespace {

namespace fs = std::filesystem;

// A name beside the target that no other writer uses: hidden, with this process's id and a
// count, and the target's extension, which the reader of JSON files needs to pair a data file
// with its titles document.
fs::path TemporaryBeside(const fs::path& target) {
    static std::atomic<unsigned> count{0};
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string name(1, '.');
    name += target.stem().string();
    name += ".vqdf-";
    name += std::to_string(platform::ProcessId());
    name += '-';
    name += std::to_string(count++);
    name += target.extension().string();
    return folder / name;
}

// Removes the files it holds when it goes.
class Temporaries {
public:
    // Removed when the write ends, whether it succeeds or not: a file renamed into place is
    // no longer there to be removed.
    void Add(fs::path path) { paths_.push_back(std::move(path)); }
    ~Temporaries() {
        for (const fs::path& path : paths_) {
            std::error_code ignored;
            fs::remove(path, ignored);
        }
    }

private:
    std::vector<fs::path> paths_;
};

// Where the written file differs from the records, by kind: an entry counts as one of its kind
// ("function blocks"), a field as one of that field of its kind ("device KeypadCommOffset32").
std::vector<Loss> LossesOf(const std::vector<Change>& changes) {
    std::vector<Loss> losses;
    std::map<std::pair<std::string, Loss::How>, std::size_t> at;
    for (const Change& change : changes) {
        const Loss::How how =
            change.change == "removed" || change.after == "absent"  ? Loss::How::Dropped
            : change.change == "added" || change.before == "absent" ? Loss::How::Added
                                                                    : Loss::How::Changed;
        const std::string what =
            change.field.empty() ? change.what + "s" : change.what + " " + change.field;
        const auto [found, added] = at.emplace(std::pair(what, how), losses.size());
        if (added) {
            losses.push_back({what, 0, how, ChangeLine(change)});
        }
        ++losses[found->second].count;
    }
    return losses;
}

bool LosesRecords(const std::vector<Loss>& losses) {
    return std::any_of(losses.begin(), losses.end(),
                       [](const Loss& loss) { return loss.how != Loss::How::Added; });
}

// Whether a file can be made at the path, with the system's reason, under the name the user
// gave, when not.
bool CanCreate(const fs::path& path, std::string& error, const std::string& shownAs) {
    std::string reason;
    if (!platform::CreateNewFile(path.string(), reason)) {
        error = "cannot write " + shownAs + ": " + reason;
        return false;
    }
    return true;
}

// The bytes of a file to standard output.
bool CopyToStandardOutput(const fs::path& path, std::string& error) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) {
        error = "cannot read " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    char buffer[65536];
    bool copied = true;
    for (std::size_t read; copied && (read = std::fread(buffer, 1, sizeof buffer, in)) > 0;) {
        copied = std::fwrite(buffer, 1, read, stdout) == read;
    }
    std::fclose(in);
    if (!copied || std::fflush(stdout) != 0) {
        error = std::string("cannot write standard output: ") + std::strerror(errno);
        return false;
    }
    return true;
}

// A legacy file written from a JSON source, read as JSON once more: what the JSON writer makes
// again from the legacy records (parameter ids numbered in order, the counts its reader finds by
// title) comes back, and is not lost.
OpenResult RegainAsJson(IDataFile& legacy, const fs::path& beside, Temporaries& temporaries) {
    fs::path json = TemporaryBeside(beside);
    json.replace_extension(json::kDataFileExtension);
    temporaries.Add(json);
    temporaries.Add(TitlesPathOf(json.string()));
    OpenResult result;
    if (!WriteJsonDataFile(legacy, json.string(), result.error)) {
        return result;
    }
    OpenOptions plain;
    plain.findings = false;
    return Open(json.string(), plain);
}

// The changes of the written file that the file converted back still has: the same entry, and
// the same field where both name one.
std::vector<Change> StillLost(std::vector<Change> changes, const std::vector<Change>& back) {
    const auto lost = [&back](const Change& change) {
        return std::any_of(back.begin(), back.end(), [&change](const Change& other) {
            return other.what == change.what && other.key == change.key &&
                   (change.field.empty() || other.field.empty() || other.field == change.field);
        });
    };
    changes.erase(std::remove_if(changes.begin(), changes.end(),
                                 [&lost](const Change& change) { return !lost(change); }),
                  changes.end());
    return changes;
}

std::error_code RenameInto(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::rename(from, to, error);
    return error;
}

// A data file and its titles document into place together, or neither: the titles document goes
// first, a copy of the one it replaces kept aside, and the data file last; when the data file
// cannot go, the titles document that was there comes back (or the new one goes, where there
// was none). A reader between the two renames may see the new titles beside the old data.
// On failure, failed names the target that could not be written.
std::error_code RenamePair(const fs::path& data, const fs::path& titles, const fs::path& dataTarget,
                           const fs::path& titlesTarget, fs::path& failed) {
    Temporaries backups;
    const fs::path saved = TemporaryBeside(titlesTarget);
    std::error_code error;
    failed = titlesTarget;
    const bool hadTitles = fs::is_regular_file(titlesTarget, error);
    if (hadTitles) {
        backups.Add(saved);
        if (!fs::copy_file(titlesTarget, saved, error)) {
            return error;
        }
    }
    if ((error = RenameInto(titles, titlesTarget))) {
        return error;
    }
    failed = dataTarget;
    if ((error = RenameInto(data, dataTarget))) {
        std::error_code ignored;
        if (hadTitles) {
            fs::rename(saved, titlesTarget, ignored);
        } else {
            fs::remove(titlesTarget, ignored);
        }
    }
    return error;
}

// Where a file given by name is written: through a symbolic link to the file it names, so that
// the link stays a link.
fs::path WrittenAt(const fs::path& path) {
    std::error_code error;
    return fs::is_symlink(fs::symlink_status(path, error)) ? fs::weakly_canonical(path, error)
                                                           : path;
}

// A file that replaces another takes the other's permissions, as an editor's save does.
void KeepPermissions(const fs::path& written, const fs::path& replaced) {
    std::error_code error;
    const fs::file_status status = fs::status(replaced, error);
    if (!error && fs::is_regular_file(status)) {
        fs::permissions(written, status.permissions(), error);
    }
}

}  // namespace

WriteResult Write(const DataFile& file, const std::string& path, Format format,
                  const WriteOptions& options) {
    WriteResult result;
    const bool toStandardOutput = path == "-";
    if (toStandardOutput && format == Format::Json) {
        result.error = "a JSON data file comes with its titles document: give it a file name";
        return result;
    }
    if (toStandardOutput && isatty(STDOUT_FILENO) != 0) {
        result.error =
            "standard output is a terminal: give a file name, or send it to a file or a pipe";
        return result;
    }
    const fs::path target =
        toStandardOutput ? fs::temp_directory_path() / "vqdf-output.inv" : WrittenAt(path);
    const fs::path titlesTarget = WrittenAt(TitlesPathOf(path));
    const fs::path temporary = TemporaryBeside(target);
    Temporaries temporaries;
    temporaries.Add(temporary);
    if (!CanCreate(temporary, result.error, path)) {
        return result;
    }
    std::string error;
    IDataFile& records = *file.impl_->reader;
    if (format == Format::Json) {
        temporaries.Add(TitlesPathOf(temporary.string()));
        if (!WriteJsonDataFile(records, temporary.string(), error)) {
            result.error = "cannot write " + path + ": " + error;
            return result;
        }
    } else if (!WriteLegacyDataFile(records, temporary.string(), error)) {
        result.error = "cannot write " + path + ": " + error;
        return result;
    }
    OpenOptions plain;
    plain.findings = false;
    const OpenResult readBack = Open(temporary.string(), plain);
    if (!readBack.file) {
        result.error = "the written file does not load again: " + readBack.error;
        return result;
    }
    OpenResult regained;
    if (format == Format::Legacy && file.GetFormat() == Format::Json) {
        regained = RegainAsJson(*readBack.file->impl_->reader, temporary, temporaries);
        if (!regained.file) {
            result.error = "cannot write " + path + ": " + regained.error;
            return result;
        }
    }
    std::vector<Change> changes = Diff(file, *readBack.file);
    if (regained.file) {
        changes = StillLost(std::move(changes), Diff(file, *regained.file));
    }
    result.losses = LossesOf(changes);
    if (options.strict && LosesRecords(result.losses)) {
        result.error = "the " + std::string(format == Format::Json ? "JSON" : "legacy") +
                       " file would not keep every record; nothing is written";
        return result;
    }
    if (toStandardOutput) {
        result.written = CopyToStandardOutput(temporary, result.error);
        return result;
    }
    KeepPermissions(temporary, target);
    fs::path failed = path;
    std::error_code renamed;
    if (format == Format::Json) {
        KeepPermissions(TitlesPathOf(temporary.string()), titlesTarget);
        renamed =
            RenamePair(temporary, TitlesPathOf(temporary.string()), target, titlesTarget, failed);
    } else {
        renamed = RenameInto(temporary, target);
    }
    if (renamed) {
        result.error = "cannot write " + failed.string() + ": " + renamed.message();
        return result;
    }
    result.written = true;
    return result;
}

bool WriteTextFileAtomically(const std::string& path, const std::string& text, std::string& error) {
    if (path == "-") {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
            std::fflush(stdout) != 0) {
            error = std::string("cannot write standard output: ") + std::strerror(errno);
            return false;
        }
        return true;
    }
    const fs::path target = WrittenAt(path);
    const fs::path temporary = TemporaryBeside(target);
    Temporaries temporaries;
    temporaries.Add(temporary);
    if (!WriteTextFile(temporary.string(), text, error)) {
        error = "cannot write " + path + ": " + error;
        return false;
    }
    KeepPermissions(temporary, target);
    if (const std::error_code renamed = RenameInto(temporary, target)) {
        error = "cannot write " + path + ": " + renamed.message();
        return false;
    }
    return true;
}

}  // namespace vqdf::api
