// Shared set-up of the engine tests: a fake OS, a settings object on it and helpers that run
// workers and read back the log's entries.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/Monitorthread.h"
#include "engine/Movefilethread.h"
#include "engine/Movefolder.h"
#include "fakes/FakePlatform.h"
#include "platform/Text.h"
#include "settings/Options.h"
#include "support/WaitFor.h"
#include "thread/Thread.h"

namespace vantrel::test {

using fake::ChangeBlock;

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        options = std::make_unique<TOptions>();
        options->SetExcludedExt({});
        options->SetExcludedFiles({});
        options->SetMoveRenamed(false);
        options->SetQuickNote(false);
        options->SetMoveFolder(false);
        options->SetRenameFile(true);
        options->SetRenameFolder(true);
        options->SetTryToMove(false);
        options->SetTryCount(0);
        options->SetMoveFolderDelay(2000);
        desk = options->DesktopFolder();
        dest = options->DestinationFolder();
        ASSERT_TRUE(options->Logger()->IsOpen());
    }

    void TearDown() override { ASSERT_TRUE(TThread::WaitForIdle(20000)) << "a worker did not end"; }

    // Starts one batch on its own thread, as the monitor starts it, without waiting for it.
    void StartBatch(const std::string& block) {
        auto* batch = new TFileMove(true);
        batch->Buffer.assign(block.begin(), block.end());
        batch->Settings = options.get();
        batch->FreeOnTerminate = true;
        batch->Resume();
    }
    void StartBatch(const ChangeBlock& block) { StartBatch(block.Bytes()); }

    // Runs one batch and waits for every worker.
    void RunBatch(const std::string& block) {
        StartBatch(block);
        ASSERT_TRUE(TThread::WaitForIdle(20000));
    }
    void RunBatch(const ChangeBlock& block) { RunBatch(block.Bytes()); }

    void RunMover(const std::wstring& folderName) {
        auto* mover = new TMoveDirectory(true);
        mover->Settings = options.get();
        mover->FolderName = folderName;
        mover->FreeOnTerminate = true;
        mover->Resume();
        ASSERT_TRUE(TThread::WaitForIdle(20000));
    }

    // Starts the desktop monitor as the main window does; watching records what it tells of its
    // watch.
    void StartMonitor() {
        monitor_ = new TFileMonitor(true);
        monitor_->Settings = options.get();
        monitor_->WatchChanged = [this](bool watching) {
            std::lock_guard<std::mutex> guard(watchingMutex_);
            watching_.push_back(watching);
        };
        monitor_->FreeOnTerminate = true;
        monitor_->Resume();
    }

    // Lets a monitor that watches take every pushed read, then ends it the way the end of the
    // program does and waits for every worker.
    void StopMonitor() {
        ASSERT_TRUE(test::WaitFor([&] { return os->PendingReads() == 0; }, 20000)) << "the monitor stopped reading";
        monitor_->Terminate();  // it frees itself only once told to end
        os->CloseChangeQueue();
        ASSERT_TRUE(TThread::WaitForIdle(20000));
    }

    std::vector<bool> Watching() {
        std::lock_guard<std::mutex> guard(watchingMutex_);
        return watching_;
    }

    // The raw log file as text.
    std::wstring LogText() { return FromUtf16Le(os->Content(options->Logger()->LogFileName())); }

    // The texts of the entries after "Log started by", each without the stamp and "-> " but with
    // the log's own CR LF.
    std::vector<std::wstring> Entries() {
        const std::wstring stamp = os->timeStamp + L"-> ";
        std::wstring text = LogText();
        std::vector<std::wstring> entries;
        size_t at = text.find(stamp);
        while (at != std::wstring::npos) {
            size_t next = text.find(stamp, at + stamp.size());
            entries.push_back(
                text.substr(at + stamp.size(), next == std::wstring::npos ? next : next - at - stamp.size()));
            at = next;
        }
        EXPECT_FALSE(entries.empty());
        if (!entries.empty()) {
            EXPECT_EQ(entries.front(), L"Log started by: tester\r\n");
            entries.erase(entries.begin());
        }
        return entries;
    }

    // Entries in sorted order, for workers whose entries may come in any order.
    std::vector<std::wstring> SortedEntries() {
        auto entries = Entries();
        std::sort(entries.begin(), entries.end());
        return entries;
    }

    std::vector<fake::Call> CallsOf(const std::wstring& op) {
        std::vector<fake::Call> calls;
        for (auto& call : os->Calls())
            if (call.op == op) calls.push_back(call);
        return calls;
    }

    fake::FakeOs os;
    TFileMonitor* monitor_ = nullptr;
    std::mutex watchingMutex_;
    std::vector<bool> watching_;
    std::unique_ptr<TOptions> options;
    std::wstring desk, dest;
};

// A report entry as the batch writes it: every line followed by CR LF, then the log's CR LF.
inline std::wstring ReportEntry(const StringList& lines) {
    return JoinLines(lines) + L"\r\n";
}

}  // namespace vantrel::test
