// The fake against the real system for what a move to another volume is made of: a plain move
// that refuses, the handles a careful copy goes through, and a volume that fills up. These run
// where the host gives the test a second volume and a small one (tests/platform/volumes.sh).
#include "Worlds.h"

namespace vantrel {
namespace {

using namespace contract;

constexpr const char* kNoVolumes = "no other volumes: run through tests/platform/volumes.sh";

TEST(VolumeContract, APlainMoveNeverCopiesToAnotherVolume) {
    if (!Volumes()) GTEST_SKIP() << kNoVolumes;
    const Outcome outcome = Both([](World& w, std::vector<std::wstring>& answers) {
        Platform& os = w.os();
        w.MakeFile(L"report.doc", "report");
        w.MakeFolder(L"photos");
        w.MakeFile(L"photos\\a.jpg", "photo");
        w.MakeFile(w.Other() + L"taken.doc", "old");
        answers.push_back(Answer(L"file", os.MoveFile(w.Root() + L"report.doc", w.Other() + L"report.doc")));
        answers.push_back(Answer(L"folder", os.MoveFile(w.Root() + L"photos", w.Other() + L"photos")));
        answers.push_back(
            Answer(L"onto a taken name", os.MoveFile(w.Root() + L"report.doc", w.Other() + L"taken.doc")));
        // The shell under Wine reports success and moves nothing: the folder mover never uses it here.
        answers.push_back(
            ShellAnswer(L"shell", os.ShellFolderOperation(w.Root() + L"photos", w.Other() + L"photos", false)));
        answers.push_back(
            Answer(L"one volume", OnOneVolume(w.Root(), w.Root() + L"photos") && !OnOneVolume(w.Root(), w.Other())));
    });
    EXPECT_EQ(outcome.answers,
              (std::vector<std::wstring>{L"file failed 17", L"folder failed 17", L"onto a taken name failed 183",
                                         L"shell 0", L"one volume ok"}));
}

TEST(VolumeContract, ACarefulCopyThroughTheMoveHandles) {
    if (!Volumes()) GTEST_SKIP() << kNoVolumes;
    const Outcome outcome = Both([](World& w, std::vector<std::wstring>& answers) {
        Platform& os = w.os();
        w.MakeFolder(L"Holiday Snaps");
        w.MakeFile(L"Holiday Snaps\\Beach.JPG", "sand and sea");
        w.MakeFile(L"busy.wav", "recording");
        w.HoldForWriting(L"busy.wav");
        std::unique_ptr<SourceFile> busy;
        answers.push_back(Answer(L"open a file being written", os.OpenToMove(w.Root() + L"busy.wav", busy)));

        ItemInfo found;
        answers.push_back(Answer(L"find", os.FindItem(w.Root() + L"holiday snaps", found)) + L" " + found.name);
        std::vector<ItemInfo> items;
        answers.push_back(Answer(L"list none", os.ListFolder(w.Root() + L"Holiday Snaps", L"~dv*", items)) + L" " +
                          std::to_wstring(items.size()));
        answers.push_back(Answer(L"list", os.ListFolder(w.Root() + L"Holiday Snaps", L"bea*", items)) + L" " +
                          (items.size() == 1 ? items[0].name + L" " + std::to_wstring(items[0].size) : L"?"));

        const std::wstring from = w.Root() + L"Holiday Snaps\\Beach.JPG";
        const std::wstring temp = w.Other() + L"~copy_beach.jpg";
        std::unique_ptr<SourceFile> source;
        ItemInfo before;
        SysError opened = os.OpenToMove(from, source);
        if (opened == SysError::None) opened = source->Stat(before);
        answers.push_back(Answer(L"open", opened));
        std::unique_ptr<NewFile> copy, again;
        answers.push_back(Answer(L"create", os.CreateNew(temp, copy)));
        answers.push_back(Answer(L"create again", os.CreateNew(temp, again)));
        if (!source || !copy) return;
        char buffer[5];
        uint32_t got = 0;
        uint64_t size = 0;
        while (source->Read(buffer, sizeof buffer, got) == SysError::None && got > 0)
            copy->Write(buffer, got);
        answers.push_back(Answer(L"finish", copy->Finish(before, size)) + L" " + std::to_wstring(size));
        answers.push_back(Answer(L"rename while open", os.MoveFile(temp, w.Other() + L"beach.jpg")));
        answers.push_back(Answer(L"delete the original", source->Delete()));
        source.reset();
        copy.reset();
        ItemInfo after;
        answers.push_back(Answer(L"same time", os.FindItem(w.Other() + L"beach.jpg", after) == SysError::None &&
                                                   after.lastWrite == before.lastWrite && after.size == before.size));
        answers.push_back(Answer(L"remove a file as a folder", os.RemoveFolder(w.Root() + L"busy.wav")));
        answers.push_back(Answer(L"remove the emptied folder", os.RemoveFolder(w.Root() + L"Holiday Snaps")));
    });
    EXPECT_EQ(outcome.tree, (std::vector<std::wstring>{L"busy.wav=recording", L"other\\beach.jpg=sand and sea"}));
}

TEST(VolumeContract, ACopyOntoAFullVolumeIsDiscardedWhole) {
    if (!Volumes()) GTEST_SKIP() << kNoVolumes;
    const Outcome outcome = Both([](World& w, std::vector<std::wstring>& answers) {
        Platform& os = w.os();
        std::unique_ptr<NewFile> copy;
        answers.push_back(Answer(L"create", os.CreateNew(w.Small() + L"~copy_big.bin", copy)));
        if (!copy) return;
        const std::string chunk(256 << 10, 'x');
        int written = 0;
        SysError code = SysError::None;
        while (written < 12 &&
               (code = copy->Write(chunk.data(), static_cast<uint32_t>(chunk.size()))) == SysError::None)
            ++written;
        answers.push_back(L"write failed " + std::to_wstring(Number(code)) + L" after " + std::to_wstring(written));
        answers.push_back(Answer(L"discard", copy->Discard()));
        copy.reset();
        ItemInfo gone;
        answers.push_back(Answer(L"gone", os.FindItem(w.Small() + L"~copy_big.bin", gone) != SysError::None));
    });
    EXPECT_EQ(outcome.answers,
              (std::vector<std::wstring>{L"create ok", L"write failed 112 after 4", L"discard ok", L"gone ok"}));
}

}  // namespace
}  // namespace vantrel
