// Compound files on Linux through libgsf's reader of the format, with flock standing in for the
// share-exclusive open that the format's own platform service offers.
#include <dlfcn.h>
#include <fcntl.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <new>

#include "platform/CodePage.h"
#include "platform/CompoundStorage.h"
#include "platform/FileSystem.h"

namespace vqdf::platform {

namespace {

// One reference to a libgsf object, dropped with the holder.
template <typename T>
class GsfReference {
public:
    explicit GsfReference(T* object) : object_(object) {}
    ~GsfReference() { g_object_unref(object_); }
    GsfReference(const GsfReference&) = delete;
    GsfReference& operator=(const GsfReference&) = delete;
    T* Get() const { return object_; }

private:
    T* object_;
};

}  // namespace

class CompoundStorage : public GsfReference<GsfInfile> {
    using GsfReference::GsfReference;
};

class CompoundStream : public GsfReference<GsfInput> {
    using GsfReference::GsfReference;
};

void CompoundStorageCloser::operator()(CompoundStorage* storage) const { delete storage; }
void CompoundStreamCloser::operator()(CompoundStream* stream) const { delete stream; }

namespace {

// The holder of a libgsf object; when there is no memory for it, the object is dropped at once,
// so that no file stays open and locked.
template <typename Holder, typename Handle, typename T>
Handle Hold(T* object) {
    auto* holder = new (std::nothrow) Holder(object);
    if (holder == nullptr) {
        g_object_unref(object);
    }
    return Handle(holder);
}

}  // namespace

namespace {

void DiscardMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

// libgsf registers its types with GObject, which is never unloaded, so libgsf must stay loaded
// once used: unloaded and loaded again with this library, it would register them a second time.
// Its complaints about malformed files are the reader's own affair and must not reach the host's
// standard error; the handlers go when this library is unloaded, as they point into it.
class GsfSession {
public:
    GsfSession() {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&gsf_infile_msole_new), &info) != 0 &&
            info.dli_fname != nullptr) {
            if (void* gsf = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE)) {
                dlclose(gsf);
            }
        }
        for (std::size_t i = 0; i < kDomains.size(); ++i) {
            handlers_[i] = g_log_set_handler(kDomains[i], kAllLevels, DiscardMessage, nullptr);
        }
    }
    ~GsfSession() {
        for (std::size_t i = 0; i < kDomains.size(); ++i) {
            g_log_remove_handler(kDomains[i], handlers_[i]);
        }
    }
    GsfSession(const GsfSession&) = delete;
    GsfSession& operator=(const GsfSession&) = delete;

private:
    static constexpr std::array<const char*, 2> kDomains = {"libgsf", "libgsf:msole"};
    static constexpr auto kAllLevels =
        static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION);
    std::array<guint, kDomains.size()> handlers_{};
};

// libgsf's container code reports broken entries in the default log domain, which is also the
// host's: it is silenced only while a lookup runs, so the host's own messages still reach it.
class QuietDefaultDomain {
public:
    QuietDefaultDomain()
        : handler_(g_log_set_handler(nullptr, G_LOG_LEVEL_MASK, DiscardMessage, nullptr)) {}
    ~QuietDefaultDomain() { g_log_remove_handler(nullptr, handler_); }
    QuietDefaultDomain(const QuietDefaultDomain&) = delete;
    QuietDefaultDomain& operator=(const QuietDefaultDomain&) = delete;

private:
    guint handler_;
};

// Opens a regular file without blocking (a FIFO would wait for a writer) and, when asked, takes
// the exclusive lock that every exclusive opener of the file tries for.
std::FILE* OpenLockedFile(const std::string& nativePath, bool exclusive) {
    const int fd = open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return nullptr;
    }
    struct stat status {};
    const bool usable = fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
                        (!exclusive || flock(fd, LOCK_EX | LOCK_NB) == 0);
    std::FILE* file = usable ? fdopen(fd, "rb") : nullptr;
    if (file == nullptr) {
        close(fd);
    }
    return file;
}

struct CaseFolded {
    explicit CaseFolded(const char* text) : folded(g_utf8_casefold(text, -1)) {}
    ~CaseFolded() { g_free(folded); }
    CaseFolded(const CaseFolded&) = delete;
    CaseFolded& operator=(const CaseFolded&) = delete;
    gchar* folded;
};

// The child of that name, matched exactly first and then without regard to case.
GsfInput* ChildByName(GsfInfile* parent, const std::wstring& name) {
    const std::string utf8 = WideToMultiByte(CodePage::Utf8, name);
    if (GsfInput* exact = gsf_infile_child_by_name(parent, utf8.c_str())) {
        return exact;
    }
    const CaseFolded wanted(utf8.c_str());
    const int count = gsf_infile_num_children(parent);
    for (int i = 0; i < count; ++i) {
        const char* childName = gsf_infile_name_by_index(parent, i);
        if (childName != nullptr && g_strcmp0(CaseFolded(childName).folded, wanted.folded) == 0) {
            return gsf_infile_child_by_index(parent, i);
        }
    }
    return nullptr;
}

// A storage lists its children (possibly none); a stream has no list at all.
bool IsStorage(GsfInput* child) {
    return GSF_IS_INFILE(child) && gsf_infile_num_children(GSF_INFILE(child)) >= 0;
}

}  // namespace

StorageHandle OpenCompoundFile(const std::wstring& path, bool exclusive) {
    static const GsfSession session;
    const std::optional<std::string> nativePath = NativePath(path);
    std::FILE* file = nativePath ? OpenLockedFile(*nativePath, exclusive) : nullptr;
    if (file == nullptr) {
        return nullptr;
    }
    // The input owns the file from here: releasing its last reference closes it and the lock.
    GsfInput* input = gsf_input_stdio_new_FILE(nativePath->c_str(), file, FALSE);
    if (input == nullptr) {
        std::fclose(file);
        return nullptr;
    }
    GError* error = nullptr;
    GsfInfile* root = gsf_infile_msole_new(input, &error);
    g_object_unref(input);
    if (error != nullptr) {
        g_error_free(error);
    }
    return root == nullptr ? nullptr : Hold<CompoundStorage, StorageHandle>(root);
}

StorageHandle OpenChildStorage(CompoundStorage& parent, const std::wstring& name) {
    const QuietDefaultDomain quiet;
    GsfInput* child = ChildByName(parent.Get(), name);
    if (child == nullptr) {
        return nullptr;
    }
    if (!IsStorage(child)) {
        g_object_unref(child);
        return nullptr;
    }
    return Hold<CompoundStorage, StorageHandle>(GSF_INFILE(child));
}

StreamHandle OpenChildStream(CompoundStorage& parent, const std::wstring& name) {
    const QuietDefaultDomain quiet;
    GsfInput* child = ChildByName(parent.Get(), name);
    if (child == nullptr) {
        return nullptr;
    }
    if (IsStorage(child)) {
        g_object_unref(child);
        return nullptr;
    }
    return Hold<CompoundStream, StreamHandle>(child);
}

std::vector<std::wstring> ChildNames(CompoundStorage& storage) {
    std::vector<std::wstring> names;
    const int count = std::max(gsf_infile_num_children(storage.Get()), 0);
    for (int i = 0; i < count; ++i) {
        if (const char* name = gsf_infile_name_by_index(storage.Get(), i)) {
            names.push_back(MultiByteToWide(CodePage::Utf8, name));
        }
    }
    return names;
}

std::size_t StreamRemaining(CompoundStream& stream) {
    return static_cast<std::size_t>(std::max<gsf_off_t>(gsf_input_remaining(stream.Get()), 0));
}

std::optional<std::size_t> ReadStream(CompoundStream& stream, void* buffer, std::size_t size) {
    // The reader refuses a read past the end as a whole, so ask only for what is left.
    const std::size_t wanted = std::min(size, StreamRemaining(stream));
    if (wanted == 0) {
        return 0;
    }
    if (gsf_input_read(stream.Get(), wanted, static_cast<guint8*>(buffer)) == nullptr) {
        return std::nullopt;
    }
    return wanted;
}

}  // namespace vqdf::platform
