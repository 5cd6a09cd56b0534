// What a reader can tell a watcher while it loads: every element it skips, cuts or fails on.
// Readers without a watcher do exactly the same work and build none of these reports.
#pragma once

#include <string>

namespace vqdf {

enum class FindingKind {
    ParseError,       // the JSON text does not parse: the load fails
    MissingDocument,  // the file or the titles document cannot be found or opened
    MissingSection,   // a required section is absent or of the wrong kind: the load fails
    UnknownId,        // an id that names nothing: the field stays empty or zero
    DuplicateId,      // an id given twice: one of the two is ignored
    TextCut,          // a text longer than its field, stored cut
    CountMismatch,    // an array longer or shorter than the count that sizes its record
    OutOfRange,       // a value that its field cannot hold, or that is not a number
    MissingStorage,   // a legacy storage that is not there: its records stay zero
    MissingStream,    // a legacy stream that is not there: its table stays zero or absent
    ShortStream,      // a legacy stream shorter than its count: the rest stays zero
};

// The kind's name as the tools print it, e.g. "unknown-id".
const char* FindingKindName(FindingKind kind);

struct LoadFinding {
    FindingKind kind = FindingKind::ParseError;
    // The parsed JSON value the finding is about, or null for findings without one.
    const void* element = nullptr;
    // With an element, the member name below it ("Title::id"); without one, the place in the
    // file: a path of storages and streams in a legacy file, a line and column in a JSON text,
    // or nothing for the file as a whole.
    std::string place;
    std::string message;
    // The file the finding is about when it is not the one being loaded (the titles document
    // beside a data file), as the system names it.
    std::string file;
};

class ILoadObserver {
public:
    virtual ~ILoadObserver() = default;
    // A JSON document of the load has been parsed; its values stay in place until Load returns,
    // so their addresses identify the elements of later findings.
    virtual void OnDocument(const std::wstring& path, const void* root) = 0;
    // That document's values are about to be freed.
    virtual void OnDocumentEnd(const void* root) { static_cast<void>(root); }
    virtual void OnFinding(LoadFinding finding) = 0;
};

}  // namespace vqdf
