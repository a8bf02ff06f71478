// vantrel_bench_across: moves to another volume, where one rename cannot move a file.
//
// The program runs with its target on another drive, and new files are saved onto its desktop:
// many small ones at once, then one large one. The yardstick is a bare loop over the same files
// that copies each one there with CopyFileW and deletes the original. Prints one Markdown table.
//
//   vantrel_bench_across --program EXE --other O:\ [--files 200] [--file-kib 256] [--big-mib 512]
//
// The desktop is redirected to a fresh folder and the settings file and log are moved aside for
// the run: scripts/bench.sh runs it in a Wine prefix of its own, with the other drive mapped.
#include <windows.h>
// These need windows.h first.
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "BenchArgs.h"
#include "E2eSupport.h"

using namespace vantrel::e2e;

namespace {

struct Args {
    std::wstring program, other;
    int files = 200;
    int fileKib = 256;
    int bigMib = 512;
};

bool ParseArgs(Args& args) {
    return vantrel::bench::ForEachOption([&](const std::wstring& key, const std::wstring& value) {
               if (key == L"--program") {
                   args.program = value;
               } else if (key == L"--other") {
                   args.other = vantrel::WithTrailingBackslash(value);
               } else if (key == L"--files") {
                   args.files = std::stoi(value);
               } else if (key == L"--file-kib") {
                   args.fileKib = std::stoi(value);
               } else if (key == L"--big-mib") {
                   args.bigMib = std::stoi(value);
               } else {
                   return false;
               }
               return true;
           }) &&
           !args.program.empty() && !args.other.empty();
}

// A file of bytes that do not compress or repeat in short steps, written in pieces of 1 MiB.
void WriteFileOf(const std::wstring& path, uint64_t bytes, uint32_t seed) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string piece(1 << 20, '\0');
    for (uint64_t done = 0; done < bytes;) {
        for (char& c : piece) {
            seed = seed * 1664525u + 1013904223u;
            c = static_cast<char>(seed >> 24);
        }
        const DWORD want = static_cast<DWORD>(std::min<uint64_t>(piece.size(), bytes - done));
        DWORD written = 0;
        WriteFile(h, piece.data(), want, &written, nullptr);
        done += want;
    }
    CloseHandle(h);
}

uint64_t TotalBytes(const std::wstring& folder) {
    uint64_t total = 0;
    for (const std::wstring& name : ListNames(folder)) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (GetFileAttributesExW((folder + name).c_str(), GetFileExInfoStandard, &data))
            total += (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return total;
}

struct Run {
    double ms = 0;
    uint64_t arrivedBytes = 0;
    bool complete = false;  // the desktop emptied and every byte arrived
};

// The prepared files are saved onto the desktop, each with one rename as an editor saves; the
// time runs until the desktop is empty and the target holds every byte.
Run ProgramRun(const std::wstring& staging, const std::wstring& desktop, const std::wstring& target, uint64_t bytes) {
    Run run;
    const std::vector<std::wstring> names = ListNames(staging);
    const double start = NowMs();
    for (const std::wstring& name : names)
        MoveFileW((staging + name).c_str(), (desktop + name).c_str());
    double lastChange = NowMs();
    uint64_t seen = 0;
    while (NowMs() - lastChange < 10000) {
        run.arrivedBytes = TotalBytes(target);
        if (run.arrivedBytes != seen) lastChange = NowMs();
        seen = run.arrivedBytes;
        if (ListNames(desktop).empty() && run.arrivedBytes == bytes) {
            run.complete = ListNames(target).size() == names.size();
            break;
        }
        Sleep(2);
    }
    run.ms = NowMs() - start;
    return run;
}

// The same files copied to the target with CopyFileW, then deleted, one after the other.
Run BareRun(const std::wstring& staging, const std::wstring& target, uint64_t bytes) {
    Run run;
    const std::vector<std::wstring> names = ListNames(staging);
    const double start = NowMs();
    for (const std::wstring& name : names) {
        if (CopyFileW((staging + name).c_str(), (target + name).c_str(), TRUE)) DeleteFileW((staging + name).c_str());
    }
    run.ms = NowMs() - start;
    run.arrivedBytes = TotalBytes(target);
    run.complete = run.arrivedBytes == bytes && ListNames(staging).empty();
    return run;
}

void WriteSettings(const std::wstring& target) {
    const std::wstring text =
        L"\xFEFF<Vantrel>\r\n\t<DestinationFolder>" + target + L"</DestinationFolder>\r\n</Vantrel>\r\n";
    CreateDirectoryW(ProgramDataFolder().c_str(), nullptr);
    HANDLE h = CreateFileW((ProgramDataFolder() + L"Settings.xml").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(h);
}

void Row(const char* what, const Run& program, const Run& bare) {
    std::printf("| %s | %.0f ms%s | %.0f ms%s | %.2f x bare |\n", what, program.ms,
                program.complete ? "" : " (INCOMPLETE)", bare.ms, bare.complete ? "" : " (INCOMPLETE)",
                program.ms / std::max(0.001, bare.ms));
}

}  // namespace

int main() {
    Args args;
    if (!ParseArgs(args)) {
        std::fputs(
            "usage: vantrel_bench_across --program EXE --other O:\\ [--files 200] [--file-kib 256] "
            "[--big-mib 512]\n",
            stderr);
        return 2;
    }
    const std::wstring desktop = FreshFolder(L"bench-AcrossDesktop");
    const std::wstring staging = FreshFolder(L"bench-AcrossStaging");
    const std::wstring target = args.other + L"bench-across\\";
    RemoveTree(target);
    CreateDirectoryW(target.c_str(), nullptr);
    DesktopRedirect redirect(desktop);
    KeepProgramFiles keep;
    ForgetSettingsAndLog();
    WriteSettings(target);

    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION program{};
    std::wstring line = L"\"" + args.program + L"\"";
    if (!CreateProcessW(args.program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &program)) {
        std::fprintf(stderr, "cannot start the program (error %lu)\n", GetLastError());
        return 1;
    }
    for (double start = NowMs(); !FindWindowW(L"TMainForm", nullptr) && NowMs() - start < 30000;)
        Sleep(5);
    Sleep(1500);  // the change read is pending, start-up work is over

    const uint64_t smallBytes = static_cast<uint64_t>(args.files) * static_cast<uint64_t>(args.fileKib) << 10;
    const uint64_t bigBytes = static_cast<uint64_t>(args.bigMib) << 20;
    auto prepare = [&](int count, uint64_t each) {
        for (int i = 0; i < count; ++i)
            WriteFileOf(staging + L"across" + std::to_wstring(i) + L".dat", each, static_cast<uint32_t>(i + 1));
    };
    auto empty = [&] {
        RemoveTree(target);
        CreateDirectoryW(target.c_str(), nullptr);
    };

    prepare(args.files, static_cast<uint64_t>(args.fileKib) << 10);
    const Run programSmall = ProgramRun(staging, desktop, target, smallBytes);
    empty();
    prepare(args.files, static_cast<uint64_t>(args.fileKib) << 10);
    const Run bareSmall = BareRun(staging, target, smallBytes);
    empty();
    prepare(1, bigBytes);
    const Run programBig = ProgramRun(staging, desktop, target, bigBytes);
    empty();
    prepare(1, bigBytes);
    const Run bareBig = BareRun(staging, target, bigBytes);
    empty();

    TerminateProcess(program.hProcess, 0);
    WaitForSingleObject(program.hProcess, 10000);
    CloseHandle(program.hProcess);
    CloseHandle(program.hThread);

    std::printf("\n| Move to another volume | Program | Bare CopyFileW + DeleteFileW loop | Program ratio |\n");
    std::printf("|---|---|---|---|\n");
    const std::string small = std::to_string(args.files) + " files of " + std::to_string(args.fileKib) + " KiB";
    const std::string big = "one file of " + std::to_string(args.bigMib) + " MiB";
    Row(small.c_str(), programSmall, bareSmall);
    Row(big.c_str(), programBig, bareBig);
    std::fflush(stdout);
    RemoveTree(desktop);
    RemoveTree(staging);
    RemoveTree(target);
    return 0;
}
