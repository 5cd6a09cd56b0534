// Names of the finding kinds.
#include "model/LoadObserver.h"

namespace vqdf {

const char* FindingKindName(FindingKind kind) {
    switch (kind) {
        case FindingKind::ParseError:
            return "parse-error";
        case FindingKind::MissingDocument:
            return "missing-document";
        case FindingKind::MissingSection:
            return "missing-section";
        case FindingKind::UnknownId:
            return "unknown-id";
        case FindingKind::DuplicateId:
            return "duplicate-id";
        case FindingKind::TextCut:
            return "text-cut";
        case FindingKind::CountMismatch:
            return "count-mismatch";
        case FindingKind::OutOfRange:
            return "out-of-range";
        case FindingKind::MissingStorage:
            return "missing-storage";
        case FindingKind::MissingStream:
            return "missing-stream";
        case FindingKind::ShortStream:
            return "short-stream";
    }
    return "unknown";
}

}  // namespace vqdf
