// engine_probe: runs the desktop change monitor outside any window, in a process of its own.
//
// The settings object is built as the program builds it (folders from the shell, Settings.xml
// and Log.txt under the local application-data folder); options on the command line then
// change single settings in memory. The ready file is made once the monitor watches the desktop.
// The monitor runs until the stop file appears or the time-out passes; then the log is closed.
// Running workers are not waited for.
//
//   engine_probe [--destination FOLDER] [--try-to-move 0|1] [--try-count N] [--move-folder 0|1]
//                [--delay MS] [--rename-file 0|1] [--rename-folder 0|1] [--move-renamed 0|1]
//                [--excluded-ext "M1;M2"] [--excluded-files "M1;M2"] [--save]
//                [--ready-file PATH] [--stop-file PATH] [--timeout SECONDS]
#include <windows.h>
// These need windows.h first.
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "engine/Monitorthread.h"
#include "platform/Text.h"
#include "settings/Options.h"

namespace {

vantrel::StringList SplitList(const std::wstring& text) {
    vantrel::StringList items;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L';', start);
        if (end == std::wstring::npos) end = text.size();
        if (end > start) items.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

bool Exists(const std::wstring& path) {
    return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Touch(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

int Usage() {
    std::fputs(
        "usage: engine_probe [--destination FOLDER] [--try-to-move 0|1] [--try-count N] [--move-folder 0|1]\n"
        "                    [--delay MS] [--rename-file 0|1] [--rename-folder 0|1] [--move-renamed 0|1]\n"
        "                    [--excluded-ext \"M1;M2\"] [--excluded-files \"M1;M2\"] [--save]\n"
        "                    [--ready-file PATH] [--stop-file PATH] [--timeout SECONDS]\n",
        stderr);
    return 2;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return Usage();
    std::vector<std::wstring> args(argv + 1, argv + argc);
    LocalFree(argv);

    vantrel::TOptions options;
    std::wstring readyFile, stopFile;
    double timeoutSeconds = 0;  // 0: until the stop file appears
    bool save = false;

    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& name = args[i];
        if (name == L"--save") {
            save = true;
            continue;
        }
        if (i + 1 >= args.size()) return Usage();
        const std::wstring value = args[++i];
        const bool flag = value == L"1" || value == L"true";
        if (name == L"--destination") {
            const std::wstring folder = vantrel::WithTrailingBackslash(value);
            vantrel::ForceDirectories(folder);
            options.SetDestinationFolder(folder);
        } else if (name == L"--try-to-move") {
            options.SetTryToMove(flag);
        } else if (name == L"--try-count") {
            options.SetTryCount(std::stoi(value));
        } else if (name == L"--move-folder") {
            options.SetMoveFolder(flag);
        } else if (name == L"--delay") {
            options.SetMoveFolderDelay(std::stoi(value));
        } else if (name == L"--rename-file") {
            options.SetRenameFile(flag);
        } else if (name == L"--rename-folder") {
            options.SetRenameFolder(flag);
        } else if (name == L"--move-renamed") {
            options.SetMoveRenamed(flag);
        } else if (name == L"--excluded-ext") {
            options.SetExcludedExt(SplitList(value));
        } else if (name == L"--excluded-files") {
            options.SetExcludedFiles(SplitList(value));
        } else if (name == L"--ready-file") {
            readyFile = value;
        } else if (name == L"--stop-file") {
            stopFile = value;
        } else if (name == L"--timeout") {
            timeoutSeconds = std::stod(value);
        } else {
            return Usage();
        }
    }
    if (save) options.Save();

    std::printf("desktop: %ls\ndestination: %ls\nlog: %ls\n", options.DesktopFolder().c_str(),
                options.DestinationFolder().c_str(), options.Logger()->LogFileName().c_str());
    std::fflush(stdout);

    // Sees the monitor open the desktop; in place until the process ends, as the monitor is.
    auto* reads = new vantrel::e2e::DesktopReads();

    // Started as the main window starts it.
    auto* monitor = new vantrel::TFileMonitor(true);
    monitor->Settings = &options;
    monitor->FreeOnTerminate = true;
    monitor->Resume();

    // Ready once the monitor has taken up a change made on the desktop after it started.
    constexpr uint32_t kReadyTimeoutMs = 30000;
    if (!reads->WaitOpened(kReadyTimeoutMs) || !reads->Mark(options.DesktopFolder(), kReadyTimeoutMs)) {
        std::fputs("engine_probe: the monitor does not watch the desktop\n", stderr);
        options.Logger()->Close();
        ExitProcess(3);
    }
    if (!readyFile.empty()) Touch(readyFile);

    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutSeconds * 1000);
    while (!Exists(stopFile) && (timeoutSeconds <= 0 || GetTickCount64() < end))
        Sleep(50);

    // As at the program's end: the log is closed, nothing waits for the workers.
    options.Logger()->Close();
    std::fflush(stdout);
    ExitProcess(0);
}
