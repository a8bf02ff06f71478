// The two worlds the platform contract tests run each case in: the real system under Wine and the
// fake, each with an empty folder of its own and, where the host has them, folders on a second
// volume and on a volume of 1 MiB.
#pragma once

#include <windows.h>

#undef MoveFile
#undef DeleteFile
#undef CreateDirectory

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fakes/FakePlatform.h"
#include "platform/Platform.h"
#include "platform/UniqueHandle.h"

namespace vantrel::contract {

// One place to run a case: a platform and an empty folder in its file system.
class World {
  public:
    virtual ~World() = default;
    virtual Platform& os() = 0;
    virtual std::wstring Root() = 0;  // ends with a backslash
    // An empty folder on another volume, and one on a volume with room for 1 MiB; empty where
    // the host has none (see Volumes()).
    virtual std::wstring Other() = 0;
    virtual std::wstring Small() = 0;
    // Made the way another program would make them, names taken literally. Paths are relative to
    // the root, or full ones (on the other volumes).
    virtual void MakeFile(const std::wstring& relative, const std::string& bytes) = 0;
    virtual void MakeFolder(const std::wstring& relative) = 0;
    // Opened without any sharing until the world goes.
    virtual void Hold(const std::wstring& relative) = 0;
    // Opened for writing, shared for reading, writing and deletion, until the world goes.
    virtual void HoldForWriting(const std::wstring& relative) = 0;
    // Every item below the root, as "relative path" for folders (with a trailing backslash) and
    // "relative path=content" for files, lower-cased and sorted; then the same for the other
    // volumes' folders, under "other\" and "small\".
    virtual std::vector<std::wstring> Tree() = 0;
};

// The drives of the other volumes, when the test runs with them (tests/platform/volumes.sh).
inline bool Volumes() {
    return std::getenv("VANTREL_OTHER_VOLUME") && std::getenv("VANTREL_SMALL_VOLUME");
}

inline std::wstring Lower(std::wstring text) {
    for (auto& c : text)
        c = static_cast<wchar_t>(towlower(c));
    return text;
}

class RealWorld final : public World {
  public:
    RealWorld() {
        static int counter = 0;
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        const std::wstring name =
            L"vantrel-contract-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"\\";
        root_ = std::wstring(temp) + name;
        CreateDirectoryW(root_.c_str(), nullptr);
        if (Volumes()) {
            other_ = Drive("VANTREL_OTHER_VOLUME") + name;
            small_ = Drive("VANTREL_SMALL_VOLUME") + name;
            CreateDirectoryW(other_.c_str(), nullptr);
            CreateDirectoryW(small_.c_str(), nullptr);
        }
    }
    ~RealWorld() override {
        held_.clear();
        for (const std::wstring& root : {root_, other_, small_})
            if (!root.empty()) RemoveTree(L"\\\\?\\" + root);
    }
    std::wstring Other() override { return other_; }
    std::wstring Small() override { return small_; }
    void HoldForWriting(const std::wstring& relative) override {
        held_.emplace_back(CreateFileW(Literal(relative).c_str(), GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held_.back());
    }

    Platform& os() override { return Os(); }
    std::wstring Root() override { return root_; }
    void MakeFile(const std::wstring& relative, const std::string& bytes) override {
        unique_handle file(CreateFileW(Literal(relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file) << "cannot make " << std::string(relative.begin(), relative.end());
        DWORD written = 0;
        if (!bytes.empty()) WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    void MakeFolder(const std::wstring& relative) override {
        ASSERT_TRUE(CreateDirectoryW(Literal(relative).c_str(), nullptr));
    }
    void Hold(const std::wstring& relative) override {
        held_.emplace_back(CreateFileW(Literal(relative).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held_.back());
    }
    std::vector<std::wstring> Tree() override {
        held_.clear();  // so that held files can be read
        std::vector<std::wstring> items;
        List(root_, L"", L"", items);
        if (!other_.empty()) List(other_, L"", L"other\\", items);
        if (!small_.empty()) List(small_, L"", L"small\\", items);
        std::sort(items.begin(), items.end());
        return items;
    }

  private:
    static std::wstring Drive(const char* variable) {
        const std::string drive = std::getenv(variable);
        return std::wstring(drive.begin(), drive.end());
    }
    // A path relative to the root, or a full one, taken literally.
    std::wstring Literal(const std::wstring& path) const {
        return L"\\\\?\\" + (path.size() > 1 && path[1] == L':' ? path : root_ + path);
    }

    void List(const std::wstring& root,
              const std::wstring& relative,
              const std::wstring& shown,
              std::vector<std::wstring>& items) {
        WIN32_FIND_DATAW found;
        unique_hfind find(FindFirstFileW((Literal(root + relative) + L"*").c_str(), &found));
        if (!find) return;
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = relative + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                items.push_back(shown + Lower(path) + L"\\");
                List(root, path + L"\\", shown, items);
            } else {
                std::string bytes;
                os().ReadFile(L"\\\\?\\" + root + path, bytes, UINT64_MAX);
                items.push_back(shown + Lower(path) + L"=" + std::wstring(bytes.begin(), bytes.end()));
            }
        } while (FindNextFileW(find.get(), &found));
    }

    static void RemoveTree(const std::wstring& folder) {
        WIN32_FIND_DATAW found;
        {
            unique_hfind find(FindFirstFileW((folder + L"*").c_str(), &found));
            if (find) {
                do {
                    const std::wstring name = found.cFileName;
                    if (name == L"." || name == L"..") continue;
                    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                        RemoveTree(folder + name + L"\\");
                    else
                        DeleteFileW((folder + name).c_str());
                } while (FindNextFileW(find.get(), &found));
            }
        }
        RemoveDirectoryW(folder.c_str());
    }

    std::wstring root_, other_, small_;
    std::vector<unique_handle> held_;
};

class FakeWorld final : public World {
  public:
    FakeWorld() {
        fake_.AddDirectory(root_);
        if (!Volumes()) return;
        fake_.AddVolume(L"S:\\", 1 << 20);
        fake_.AddDirectory(other_);
        fake_.AddDirectory(small_);
    }
    Platform& os() override { return fake_; }
    std::wstring Root() override { return root_; }
    std::wstring Other() override { return Volumes() ? other_ : L""; }
    std::wstring Small() override { return Volumes() ? small_ : L""; }
    void MakeFile(const std::wstring& relative, const std::string& bytes) override {
        fake_.AddFile(Full(relative), bytes);
    }
    void MakeFolder(const std::wstring& relative) override { fake_.AddDirectory(Full(relative)); }
    void Hold(const std::wstring& relative) override { fake_.Lock(Full(relative), UINT64_MAX); }
    void HoldForWriting(const std::wstring& relative) override { fake_.Write(Full(relative), UINT64_MAX); }
    std::vector<std::wstring> Tree() override {
        std::vector<std::wstring> items;
        List(root_, L"", L"", items);
        if (Volumes()) {
            List(other_, L"", L"other\\", items);
            List(small_, L"", L"small\\", items);
        }
        std::sort(items.begin(), items.end());
        return items;
    }

  private:
    std::wstring Full(const std::wstring& path) const {
        return path.size() > 1 && path[1] == L':' ? path : root_ + path;
    }
    void List(const std::wstring& root,
              const std::wstring& relative,
              const std::wstring& shown,
              std::vector<std::wstring>& items) {
        for (const std::wstring& name : fake_.List(root + relative)) {
            const std::wstring path = relative + name;
            if (fake_.DirectoryExists(root + path)) {
                items.push_back(shown + path + L"\\");
                List(root, path + L"\\", shown, items);
            } else {
                const std::string bytes = fake_.Content(root + path);
                items.push_back(shown + path + L"=" + std::wstring(bytes.begin(), bytes.end()));
            }
        }
    }

    fake::FakePlatform fake_;
    // The second volume is a drive of its own, as every drive letter is to the fake.
    std::wstring root_ = L"C:\\contract\\", other_ = L"O:\\contract\\", small_ = L"S:\\contract\\";
};

// What a case saw: the calls' answers in order, then the folders' contents.
struct Outcome {
    std::vector<std::wstring> answers;
    std::vector<std::wstring> tree;
};

using Case = std::function<void(World&, std::vector<std::wstring>& answers)>;

inline Outcome Run(World& world, const Case& body) {
    Outcome outcome;
    body(world, outcome.answers);
    outcome.tree = world.Tree();
    return outcome;
}

// Runs the case in both worlds and expects the same outcome; returns the real one.
inline Outcome Both(const Case& body) {
    RealWorld real;
    FakeWorld fake;
    Outcome expected = Run(real, body);
    Outcome got = Run(fake, body);
    EXPECT_EQ(got.answers, expected.answers) << "the fake answers the calls differently";
    EXPECT_EQ(got.tree, expected.tree) << "the fake leaves other folders behind";
    return expected;
}

// A call's answer: "ok", or "failed" and the code it returned.
inline std::wstring Answer(const wchar_t* call, SysError code) {
    return std::wstring(call) + (code == SysError::None ? L" ok" : L" failed " + std::to_wstring(Number(code)));
}

// A check's answer, which has no code to give.
inline std::wstring Answer(const wchar_t* call, bool yes) {
    return std::wstring(call) + (yes ? L" ok" : L" failed");
}

inline std::wstring ShellAnswer(const wchar_t* call, ShellResult result) {
    return std::wstring(call) + L" " + std::to_wstring(Number(result));
}

}  // namespace vantrel::contract
