// Writing a tree of storages and streams as a compound file through libgsf's writer.
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-output.h>

#include "platform/CompoundOutput.h"

namespace vqdf::platform {

namespace {

bool CloseChild(GsfOutput* child) {
    const bool closed = gsf_output_close(child) != FALSE;
    g_object_unref(child);
    return closed;
}

bool WriteChildren(GsfOutfile* parent, const CompoundNode& node) {
    for (const auto& [name, bytes] : node.streams) {
        GsfOutput* stream = gsf_outfile_new_child(parent, name.c_str(), FALSE);
        if (stream == nullptr) {
            return false;
        }
        const bool written =
            bytes.empty() ||
            gsf_output_write(stream, bytes.size(), reinterpret_cast<const guint8*>(bytes.data()));
        if (!CloseChild(stream) || !written) {
            return false;
        }
    }
    for (const CompoundNode& storage : node.storages) {
        GsfOutput* child = gsf_outfile_new_child(parent, storage.name.c_str(), TRUE);
        if (child == nullptr) {
            return false;
        }
        const bool written = WriteChildren(GSF_OUTFILE(child), storage);
        if (!CloseChild(child) || !written) {
            return false;
        }
    }
    return true;
}

// libgsf's messages name the temporary file it writes through ("... '/d/.M1.inv.3QX1': No space
// left on device"); the system's reason at their end is what the caller needs.
std::string SystemReason(const char* message, const char* otherwise) {
    if (message == nullptr) {
        return otherwise;
    }
    const std::string text = message;
    const std::size_t colon = text.rfind(": ");
    return colon == std::string::npos ? text : text.substr(colon + 2);
}

}  // namespace

bool WriteCompoundFile(const std::string& path, const CompoundNode& root, std::string& error) {
    GError* gerror = nullptr;
    GsfOutput* output = gsf_output_stdio_new(path.c_str(), &gerror);
    if (output == nullptr) {
        error =
            SystemReason(gerror != nullptr ? gerror->message : nullptr, "cannot create the file");
        g_clear_error(&gerror);
        return false;
    }
    GsfOutfile* outfile = gsf_outfile_msole_new(output);
    bool written = outfile != nullptr && WriteChildren(outfile, root);
    if (outfile != nullptr) {
        written = CloseChild(GSF_OUTPUT(outfile)) && written;
    }
    if (!gsf_output_is_closed(output)) {
        written = gsf_output_close(output) != FALSE && written;
    }
    if (!written) {
        const GError* outputError = gsf_output_error(output);
        error = SystemReason(outputError != nullptr ? outputError->message : nullptr,
                             "cannot write the compound file");
    }
    g_object_unref(output);
    return written;
}

}  // namespace vqdf::platform
