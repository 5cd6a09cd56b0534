// Opening compound files and moving between their storages: the storage stack, names, the
// exclusive hold on the file, and reads of short streams.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "LegacyFixture.h"
#include "compound/LegacyStreams.h"
#include "compound/SSFile.h"

namespace vqdf {
namespace {

using platform::CompoundNode;
using testing::LegacyFiles;

CompoundNode TwoLevelTree() {
    CompoundNode root;
    CompoundNode& outer = root.Storage("Outer");
    outer.SetStream("Outer Data", "abcdef");
    outer.Storage("Inner").SetStream("Inner Data", "xyz");
    root.SetStream("Top Data", "top");
    return root;
}

std::string ReadAll(CSSFile& file, const std::wstring& name) {
    COleStreamFile stream;
    if (!file.OpenStream(name, stream, kReadShareExclusive)) {
        return "<missing>";
    }
    std::string bytes(64, '\0');
    const auto read = stream.Read(bytes.data(), bytes.size());
    stream.Close();
    return read ? bytes.substr(0, *read) : "<failed>";
}

// The stack climbs back to the root and no further; a name resolves only in the current storage,
// by kind (a stream is no storage and a storage no stream), and without regard to case.
TEST(StorageAccess, StackAndNames) {
    LegacyFiles files;
    const std::wstring path = files.Write(TwoLevelTree());
    CSSFile file;
    ASSERT_TRUE(file.Open(path, kReadShareExclusive));
    EXPECT_TRUE(file.IsOpen() && file.Path() == path);
    EXPECT_FALSE(file.CloseStorage());
    EXPECT_EQ(ReadAll(file, L"Outer Data"), "<missing>");
    EXPECT_FALSE(file.OpenStorage(L"Inner", kReadShareExclusive));
    EXPECT_FALSE(file.OpenStorage(L"Top Data", kReadShareExclusive));
    EXPECT_EQ(ReadAll(file, L"Outer"), "<missing>");
    EXPECT_EQ(ReadAll(file, L"TOP data"), "top");
    EXPECT_EQ(file.Depth(), 1u);

    ASSERT_TRUE(file.OpenStorage(L"outer", kReadShareExclusive));
    ASSERT_TRUE(file.OpenStorage(L"Inner", kReadShareExclusive));
    EXPECT_EQ(file.Depth(), 3u);
    EXPECT_EQ(ReadAll(file, L"Inner Data"), "xyz");
    EXPECT_EQ(ReadAll(file, L"Outer Data"), "<missing>");
    EXPECT_TRUE(file.CloseStorage());
    EXPECT_EQ(ReadAll(file, L"Outer Data"), "abcdef");
    EXPECT_TRUE(file.CloseStorage());
    EXPECT_FALSE(file.CloseStorage());
    EXPECT_EQ(ReadAll(file, L"Top Data"), "top");
    EXPECT_EQ(file.Depth(), 1u);
}

TEST(StorageAccess, CloseReleasesEveryStorageAndTheHoldOnTheFile) {
    LegacyFiles files;
    const std::wstring path = files.Write(TwoLevelTree());
    CSSFile first;
    ASSERT_TRUE(first.Open(path, kReadShareExclusive));
    ASSERT_TRUE(first.OpenStorage(L"Outer", kReadShareExclusive));
    ASSERT_TRUE(first.OpenStorage(L"Inner", kReadShareExclusive));

    CSSFile second;
    EXPECT_FALSE(second.Open(path, kReadShareExclusive));
    EXPECT_FALSE(second.IsOpen());

    first.Close();
    EXPECT_FALSE(first.IsOpen());
    EXPECT_TRUE(first.Path().empty());
    EXPECT_EQ(first.Depth(), 0u);
    EXPECT_FALSE(first.OpenStorage(L"Outer", kReadShareExclusive));
    EXPECT_TRUE(second.Open(path, kReadShareExclusive));
}

TEST(StorageAccess, OpeningAgainClosesTheFirstFileEvenWhenTheSecondFails) {
    LegacyFiles files;
    const std::wstring path = files.Write(TwoLevelTree());
    CSSFile file;
    ASSERT_TRUE(file.Open(path, kReadShareExclusive));
    ASSERT_TRUE(file.OpenStorage(L"Outer", kReadShareExclusive));
    EXPECT_FALSE(file.Open((files.Dir() / "missing.inv").wstring(), kReadShareExclusive));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(file.Path().empty());
    CSSFile other;
    EXPECT_TRUE(other.Open(path, kReadShareExclusive));
}

TEST(StorageAccess, RefusesWhatIsNotAReadableCompoundFile) {
    LegacyFiles files;
    const std::wstring valid = files.Write(TwoLevelTree());
    std::ofstream(files.Dir() / "plain.inv") << "just some text, not a compound file\n";
    std::filesystem::path longDir = files.Dir();
    while (longDir.native().size() < 280) {
        longDir /= std::string(40, 'd');
    }
    std::filesystem::create_directories(longDir);
    std::filesystem::copy_file(std::filesystem::path(valid), longDir / "M1_1_05.inv");

    const struct {
        std::wstring path;
        uint32_t mode;
    } cases[] = {
        {(files.Dir() / "plain.inv").wstring(), kReadShareExclusive},
        {(files.Dir() / "missing.inv").wstring(), kReadShareExclusive},
        {files.Dir().wstring(), kReadShareExclusive},
        {(longDir / "M1_1_05.inv").wstring(), kReadShareExclusive},
        {L"", kReadShareExclusive},
        {valid, kReadShareExclusive | 0x2},  // read-write
        {valid, kReadShareExclusive | 0x1},  // write-only
    };
    for (const auto& c : cases) {
        CSSFile file;
        EXPECT_FALSE(file.Open(c.path, c.mode)) << c.path.size() << " chars, mode " << c.mode;
        EXPECT_FALSE(file.IsOpen());
    }
    CSSFile file;
    ASSERT_TRUE(file.Open(valid, kReadShareExclusive));
    EXPECT_FALSE(file.OpenStorage(std::wstring(260, L'O'), kReadShareExclusive));
}

TEST(StorageAccess, ReadsStopAtTheEndOfTheStreamAndGoOnFromWhereTheyStopped) {
    LegacyFiles files;
    CSSFile file;
    ASSERT_TRUE(file.Open(files.Write(TwoLevelTree()), kReadShareExclusive));
    ASSERT_TRUE(file.OpenStorage(L"Outer", kReadShareExclusive));
    COleStreamFile stream;
    ASSERT_TRUE(file.OpenStream(L"Outer Data", stream, kReadShareExclusive));
    char bytes[8] = {};
    EXPECT_EQ(stream.Read(bytes, 4), 4u);
    EXPECT_EQ(std::string(bytes, 4), "abcd");
    EXPECT_EQ(stream.Read(bytes, sizeof bytes), 2u);
    EXPECT_EQ(std::string(bytes, 2), "ef");
    EXPECT_EQ(stream.Read(bytes, sizeof bytes), 0u);
    stream.Close();
    EXPECT_EQ(stream.Read(bytes, sizeof bytes), std::nullopt);
}

// A file cut short under the reader (the lock is advisory, a writer may still truncate it): the
// read of a stream whose sectors are gone fails, unlike a read that merely reaches the end.
TEST(StorageAccess, ReadOfAStreamWhoseSectorsAreGoneFails) {
    CompoundNode root;
    root.Storage("Big").SetStream("Data", std::string(64 * 1024, 'b'));
    LegacyFiles files;
    const std::wstring path = files.Write(root);
    CSSFile file;
    ASSERT_TRUE(file.Open(path, kReadShareExclusive));
    ASSERT_TRUE(file.OpenStorage(L"Big", kReadShareExclusive));
    // Another writer cuts the file while it is held. Windows does not let anyone cut a file that
    // is open share-exclusive, so there the case cannot arise.
    std::error_code cut;
    std::filesystem::resize_file(std::filesystem::path(path), 4096, cut);
    if (cut) {
        GTEST_SKIP() << "the platform does not let a held file be cut: " << cut.message();
    }

    COleStreamFile stream;
    ASSERT_TRUE(file.OpenStream(L"Data", stream, kReadShareExclusive));
    std::string bytes(64 * 1024, '\0');
    EXPECT_EQ(stream.Read(bytes.data(), bytes.size()), std::nullopt);
    std::map<const void*, std::size_t> held;
    CLegacyStreams streams(file, nullptr, held);
    EXPECT_EQ(streams.ReadImage("Data", bytes.data(), bytes.size()), StreamRead::Failed);
    EXPECT_EQ(streams.ReadImage("Missing", bytes.data(), bytes.size()), StreamRead::Skipped);
}

}  // namespace
}  // namespace vqdf
