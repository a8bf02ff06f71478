// Many batches and folder movers at once while the main thread changes the settings they read.
// Meant to run under TSan as well: every read of the shared settings must be race-free.
#include <string>
#include <thread>
#include <vector>

#include "EngineFixture.h"
#include "WaitFor.h"

namespace vantrel::test {
namespace {

using namespace fake;

TEST_F(EngineTest, BatchesAndMoversRunWhileTheMainThreadChangesTheSettings) {
    const std::wstring d1 = L"C:\\Target1\\", d2 = L"C:\\Target2\\";
    os->AddDirectory(d1);
    os->AddDirectory(d2);
    options->SetDestinationFolder(d1);
    options->SetMoveFolder(true);
    options->SetMoveFolderDelay(50);
    options->SetTryToMove(true);
    options->SetTryCount(1);

    constexpr int kBlocks = 150;
    std::vector<std::wstring> files, folders;
    std::vector<std::string> blocks;
    for (int b = 0; b < kBlocks; ++b) {
        ChangeBlock block(b % 2 == 0);
        for (int i = 0; i < 3; ++i) {
            std::wstring name = L"f" + std::to_wstring(b) + L"_" + std::to_wstring(i) + (i == 2 ? L".tmp" : L".txt");
            os->AddFile(desk + name, "x");
            if (i == 1) os->Lock(desk + name, os->Now() + 1500);
            block.Add(kActionAdded, name);
            files.push_back(name);
        }
        if (b % 5 == 0) {
            std::wstring folder = L"dir" + std::to_wstring(b);
            os->AddFile(desk + folder + L"\\inner.txt");
            block.Add(kActionAdded, folder);
            folders.push_back(folder);
        }
        blocks.push_back(block.Bytes());
    }

    // Blocks arrive one by one while the settings change under the running batches and movers.
    StartMonitor();
    for (int b = 0; b < kBlocks; ++b) {
        os->PushChanges(blocks[b]);
        for (int round = 0; round < 4; ++round) {
            options->SetExcludedExt(round % 2 ? StringList{L"*.tmp", L"*.bak"} : StringList{});
            options->SetExcludedFiles(round % 3 ? StringList{L"New Folder.*"} : StringList{L"F1.*", L"Thumbs.db"});
            options->SetDestinationFolder(round % 2 ? d2 : d1);
            options->SetMoveFolderDelay(round % 2 ? 50 : 20);
            std::this_thread::yield();
        }
        options->Paused = b % 10 == 5;
    }
    options->Paused = false;
    StopMonitor();
    ASSERT_TRUE(TThread::WaitForIdle(120000));

    // Nothing is lost or doubled: every item is in exactly one place.
    for (const auto& name : files) {
        int places = os->Exists(desk + name) + os->Exists(d1 + name) + os->Exists(d2 + name);
        EXPECT_EQ(places, 1) << std::string(name.begin(), name.end());
    }
    for (const auto& name : folders) {
        const std::wstring inner = name + L"\\inner.txt";
        int places = os->Exists(desk + inner) + os->Exists(d1 + inner) + os->Exists(d2 + inner);
        EXPECT_EQ(places, 1) << std::string(name.begin(), name.end());
    }
    // Every entry reached the log whole.
    auto entries = Entries();
    EXPECT_GT(entries.size(), 1u);
    for (const auto& entry : entries) {
        bool known = entry.rfind(L">> Operation report for ", 0) == 0 || entry.rfind(L"Folder: dir", 0) == 0;
        EXPECT_TRUE(known) << std::string(entry.begin(), entry.end());
        EXPECT_EQ(entry.substr(entry.size() - 2), L"\r\n");
    }
}

// The end of the program under load: batches retrying held files and the monitor still reading
// while the pool is told to end. A batch reaches its folder only after its held file, so the
// folder's mover comes after the end and never runs. Under TSan as well.
TEST_F(EngineTest, TheEndOfTheProgramUnderLoadLosesNothing) {
    struct Reopen {
        ~Reopen() { TThread::Reopen(); }
    } reopen;
    options->SetMoveFolder(true);
    options->SetMoveFolderDelay(INT32_MAX);
    options->SetTryToMove(true);
    options->SetTryCount(INT32_MAX);

    constexpr int kBlocks = 60;
    std::vector<std::wstring> held, folders;
    const size_t lookupsBefore = os->Lookups(Lookup::FileExists);
    StartMonitor();
    for (int b = 0; b < kBlocks; ++b) {
        ChangeBlock block;
        const std::wstring name = L"held" + std::to_wstring(b) + L".txt";
        os->AddFile(desk + name, "whole");
        os->Lock(desk + name, UINT64_MAX);
        block.Add(kActionAdded, name);
        held.push_back(name);
        const std::wstring free = L"free" + std::to_wstring(b) + L".txt";
        os->AddFile(desk + free, "free");
        block.Add(kActionAdded, free);
        if (b % 3 == 0) {
            const std::wstring folder = L"dir" + std::to_wstring(b);
            os->AddFile(desk + folder + L"\\inner.txt");
            block.Add(kActionAdded, folder);
            folders.push_back(folder);
        }
        os->PushChanges(block.Bytes());
    }
    // Every batch has reached its held file. Its first move of the file fails, and then it looks
    // for the file and for a namesake in the target, two existence checks that nothing else in the
    // run makes before the end (the free files move at once, no folder mover starts).
    EXPECT_TRUE(WaitFor([&] { return os->Lookups(Lookup::FileExists) - lookupsBefore >= 2 * held.size(); }, 60000))
        << "a batch never reached its held file";

    EXPECT_TRUE(TThread::EndAll(10000));
    os->PushChanges(ChangeBlock().Add(kActionAdded, L"late.txt").Bytes());
    ASSERT_TRUE(TThread::WaitForIdle(20000));

    for (const auto& name : held)
        EXPECT_EQ(os->Content(desk + name), "whole") << std::string(name.begin(), name.end());
    for (const auto& name : folders)
        EXPECT_TRUE(os->Exists(desk + name + L"\\inner.txt")) << std::string(name.begin(), name.end());
    // Every report reached the log whole, and nothing was reported twice.
    size_t notMoved = 0;
    for (const auto& entry : Entries()) {
        EXPECT_EQ(entry.substr(entry.size() - 2), L"\r\n");
        for (size_t at = entry.find(L"not moved"); at != std::wstring::npos; at = entry.find(L"not moved", at + 1))
            ++notMoved;
    }
    EXPECT_LE(notMoved, held.size() + folders.size());
}

}  // namespace
}  // namespace vantrel::test
