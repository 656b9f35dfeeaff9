// The real disk's file operations on every platform: a new file never takes a name already
// there, the no-replace rename refuses a taken name, and the clean-up of interrupted writes
// leaves a temporary file alone while its writer still holds it; a claimed file has one holder
// until that holder lets go or its process ends.
#include "SettingsTestSupport.h"

#include "settings/FileAccess.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace caniparc {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(LocalFileSystem, CreateNew_RefusesATakenName_AndWritesWhatItIsGiven) {
    TempFolder temp;
    auto disk = MakeLocalFileSystem();
    std::ofstream(temp.Path() / "taken.txt") << "alt";
    std::error_code error;
    EXPECT_EQ(disk->CreateNew(temp.Path() / "taken.txt", std::nullopt, error), nullptr);
    EXPECT_EQ(error, std::errc::file_exists);
    EXPECT_EQ(Read(temp.Path() / "taken.txt"), "alt");

    error.clear();
    auto file = disk->CreateNew(temp.Path() / "neu.txt", std::nullopt, error);
    ASSERT_NE(file, nullptr) << error.message();
    EXPECT_FALSE(file->Write("Zeile 1\r\nZeile 2\r\n"));
    EXPECT_FALSE(file->Sync());
    EXPECT_FALSE(file->Close());
    file.reset();
    EXPECT_EQ(Read(temp.Path() / "neu.txt"), "Zeile 1\r\nZeile 2\r\n");
}

TEST(LocalFileSystem, RenameNoReplace_RefusesATakenName_RenameReplacesIt) {
    TempFolder temp;
    auto disk = MakeLocalFileSystem();
    std::ofstream(temp.Path() / "a.txt") << "a";
    std::ofstream(temp.Path() / "b.txt") << "b";
    EXPECT_EQ(disk->RenameNoReplace(temp.Path() / "a.txt", temp.Path() / "b.txt"), std::errc::file_exists);
    EXPECT_EQ(Read(temp.Path() / "b.txt"), "b");
    EXPECT_FALSE(disk->RenameNoReplace(temp.Path() / "a.txt", temp.Path() / "c.txt"));
    EXPECT_FALSE(fs::exists(temp.Path() / "a.txt"));
    EXPECT_FALSE(disk->Rename(temp.Path() / "c.txt", temp.Path() / "b.txt"));
    EXPECT_EQ(Read(temp.Path() / "b.txt"), "a");
}

TEST(LocalFileSystem, StaleTemporaries_OneStillBeingWrittenStays_AnAbandonedOneGoes) {
    TempFolder temp;
    auto disk = MakeLocalFileSystem();
    const fs::path target = temp.Path() / "Canitorn-Sicherungsdatei.txt";
    std::ofstream(temp.Path() / "Canitorn-Sicherungsdatei.txt.Alt001.tmp") << "abgebrochen";
    std::error_code error;
    auto writing = disk->CreateNew(temp.Path() / "Canitorn-Sicherungsdatei.txt.Neu001.tmp", std::nullopt, error);
    ASSERT_NE(writing, nullptr) << error.message();
    ASSERT_FALSE(writing->Write("halb"));

    RemoveStaleTemporaries(target);
    EXPECT_FALSE(fs::exists(temp.Path() / "Canitorn-Sicherungsdatei.txt.Alt001.tmp"));
    EXPECT_TRUE(fs::exists(temp.Path() / "Canitorn-Sicherungsdatei.txt.Neu001.tmp"));
    writing.reset();
}

TEST(LocalFileSystem, AtomicWrite_ReplacesTheFileAndLeavesNoTemporary) {
    TempFolder temp;
    const fs::path target = temp.Path() / "Ergebnis-Müller.txt";
    std::ofstream(target) << "alt";
    ASSERT_TRUE(WriteFileAtomically(*MakeLocalFileSystem(), target, "neu").Ok());
    EXPECT_EQ(Read(target), "neu");
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(target, 100, bytes).Ok());
    EXPECT_EQ(bytes, "neu");
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Path()), fs::directory_iterator()), 1);
}

} // namespace
} // namespace caniparc

namespace caniparc {
namespace {

TEST(FileClaim, OneHolderAtATime_FreeAgainOnceReleased_AndAReadOnlyPlaceGuardsNothing) {
    TempFolder temp;
    const fs::path lock = temp.Path() / ".caniparc-Sicherungsdatei.txt.lock";
    ClaimOutcome first = ClaimOutcome::Unavailable;
    auto held = ClaimFile(lock, first);
    ASSERT_EQ(first, ClaimOutcome::Claimed);
    ASSERT_NE(held, nullptr);

    ClaimOutcome second = ClaimOutcome::Claimed;
    EXPECT_EQ(ClaimFile(lock, second), nullptr);
    EXPECT_EQ(second, ClaimOutcome::HeldElsewhere) << "a second claim in the same process is refused too";

    held.reset();
    EXPECT_NE(ClaimFile(lock, second), nullptr);
    EXPECT_EQ(second, ClaimOutcome::Claimed);
    EXPECT_TRUE(fs::exists(lock)) << "the lock file stays, so every holder locks the same file";

    ClaimOutcome nowhere = ClaimOutcome::Claimed;
    EXPECT_EQ(ClaimFile(temp.Path() / "no-such-folder" / "x.lock", nowhere), nullptr);
    EXPECT_EQ(nowhere, ClaimOutcome::Unavailable);
}

#if !defined(_WIN32)
TEST(FileClaim, AnotherProcessHoldsIt_UntilThatProcessEndsWithoutCleaningUp) {
    TempFolder temp;
    const fs::path lock = temp.Path() / ".backup.lock";
    int ready[2];
    int quit[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(quit), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ClaimOutcome outcome = ClaimOutcome::Unavailable;
        auto claim = ClaimFile(lock, outcome);
        const char state = outcome == ClaimOutcome::Claimed ? 'y' : 'n';
        (void)!::write(ready[1], &state, 1);
        char any = 0;
        (void)!::read(quit[0], &any, 1);
        ::_exit(0); // like a crash: no destructor releases the claim
    }
    char state = 0;
    ASSERT_EQ(::read(ready[0], &state, 1), 1);
    ASSERT_EQ(state, 'y');
    ClaimOutcome outcome = ClaimOutcome::Claimed;
    EXPECT_EQ(ClaimFile(lock, outcome), nullptr);
    EXPECT_EQ(outcome, ClaimOutcome::HeldElsewhere);

    ASSERT_EQ(::write(quit[1], "x", 1), 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_NE(ClaimFile(lock, outcome), nullptr);
    EXPECT_EQ(outcome, ClaimOutcome::Claimed);
    for (int fd : {ready[0], ready[1], quit[0], quit[1]})
        ::close(fd);
}
#endif

} // namespace
} // namespace caniparc
