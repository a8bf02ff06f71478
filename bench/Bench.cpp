// vantrel_bench: the running program against two yardsticks, on the same files in one run.
//
//   - the program (DesktopVantrel.exe) as a user runs it, with its default settings;
//   - minimal_mover.exe, the least a mover can be (one change read, a thread per block,
//     MoveFileW, a log line per block);
//   - a bare loop: the same files created in an unwatched folder, then moved with MoveFileW;
//   - minimal_tray.exe, a hidden window with a tray icon, for memory and start-up.
//
// Prints one Markdown table: latency from desktop to target, bursts until every file has left
// the desktop, CPU per moved file, idle CPU and wake-ups, resident anonymous memory and
// start-up time, with the ratios the program is held to; then the peak thread count and memory
// of each burst and the memory 5 s after it, beside the figures at rest. Then the cost of each call the
// program makes per item, per report and per block, for the time breakdown.
//
//   vantrel_bench --program EXE --mover EXE --tray EXE [--idle-seconds 30] [--latency-files 200]
//                 [--bursts 100,1000,10000] [--starts 5] [--only memory]
//
// With --only memory it measures the program alone: start-up, memory and threads at rest, and
// its threads and memory during and after the bursts (no mover, no bare loop, no call costs).
//
// The desktop is redirected to a fresh folder and the settings file and log are moved aside for
// the run: scripts/bench.sh runs it in a Wine prefix of its own.
#include <windows.h>
// These need windows.h first.
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "BenchArgs.h"
#include "E2eSupport.h"
#include "UnixProcess.h"

using namespace vantrel::e2e;
using namespace vantrel::bench;

namespace {

struct Args {
    std::map<std::wstring, std::wstring> programs;  // --program, --mover, --tray
    int idleSeconds = 30;
    int latencyFiles = 200;
    int starts = 5;
    std::vector<int> bursts{100, 1000, 10000};
    bool memoryOnly = false;  // start-up, memory and threads of the program alone
};

// A Linux path as Wine's Z: drive names it; other paths as they are.
std::wstring DosPath(std::wstring path) {
    if (path.empty() || path[0] != L'/') return path;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path.insert(0, L"Z:");
}

bool ParseArgs(Args& args) {
    return vantrel::bench::ForEachOption([&](const std::wstring& key, const std::wstring& value) {
               if (key == L"--program" || key == L"--mover" || key == L"--tray") {
                   args.programs[key] = DosPath(value);
               } else if (key == L"--idle-seconds") {
                   args.idleSeconds = std::stoi(value);
               } else if (key == L"--latency-files") {
                   args.latencyFiles = std::stoi(value);
               } else if (key == L"--only") {
                   if (value != L"memory") return false;
                   args.memoryOnly = true;
               } else if (key == L"--starts") {
                   args.starts = std::max(1, std::stoi(value));
               } else if (key == L"--bursts") {
                   args.bursts.clear();
                   for (size_t at = 0; at < value.size();) {
                       size_t comma = std::min(value.find(L',', at), value.size());
                       if (comma > at) args.bursts.push_back(std::stoi(value.substr(at, comma - at)));
                       at = comma + 1;
                   }
               } else {
                   return false;
               }
               return true;
           }) &&
           args.programs.size() == 3;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t rank = static_cast<size_t>(p / 100.0 * static_cast<double>(values.size()) + 0.999999);
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

std::string Utf8(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text)
        bytes += c < 0x80 ? static_cast<char>(c) : '?';
    return bytes;
}

// A program started for the run; ended (hard) when the object goes.
class Child {
  public:
    // Starts exe with arguments; when windowClass is given, waits until that window exists and
    // takes the time from the start until then.
    Child(const std::wstring& exe, const std::wstring& arguments, const wchar_t* windowClass) {
        std::wstring line = L"\"" + exe + L"\" " + arguments;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        const double start = NowMs();
        if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info_)) {
            std::fprintf(stderr, "cannot start %s (error %lu)\n", Utf8(exe).c_str(), GetLastError());
            ExitProcess(1);
        }
        if (windowClass) {
            while (!FindWindowW(windowClass, nullptr) && NowMs() - start < 30000)
                Sleep(1);
            startupMs_ = NowMs() - start;
        }
        WaitFor([&] { return (unixPid_ = FindUnixPid(Utf8(exe))) != 0; }, 5000, 20);
        if (unixPid_ == 0) std::fprintf(stderr, "no Linux process found for %s\n", Utf8(exe).c_str());
    }
    ~Child() {
        TerminateProcess(info_.hProcess, 0);
        WaitForSingleObject(info_.hProcess, 10000);
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
        Sleep(300);  // the single-instance lock and the tray icon go with the process
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    double StartupMs() const { return startupMs_; }
    int UnixPid() const { return unixPid_; }

  private:
    PROCESS_INFORMATION info_{};
    double startupMs_ = 0;
    int unixPid_ = 0;
};

bool DesktopEmpty(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return true;
    bool empty = true;
    do {
        if (wcscmp(entry.cFileName, L".") != 0 && wcscmp(entry.cFileName, L"..") != 0) empty = false;
    } while (empty && FindNextFileW(find, &entry));
    FindClose(find);
    return empty;
}

void MakeEmpty(const std::wstring& folder) {
    RemoveTree(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
}

std::wstring BurstName(int n, int i) {
    return L"burst" + std::to_wstring(n) + L"_" + std::to_wstring(i) + L".dat";
}

// Latency: files created one by one, 50 ms apart; the time until each arrives in the target.
std::vector<double> Latencies(const std::wstring& desktop, const std::wstring& target, int files) {
    std::vector<double> times;
    HANDLE watch = FindFirstChangeNotificationW(target.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    for (int i = 0; i < files; ++i) {
        const std::wstring name = L"latency" + std::to_wstring(i) + L".txt";
        const double created = NowMs();
        WriteNewFile(desktop + name, "latency");
        while (!IsFile(target + name) && NowMs() - created < 10000) {
            if (WaitForSingleObject(watch, 5) == WAIT_OBJECT_0) FindNextChangeNotification(watch);
        }
        if (IsFile(target + name)) times.push_back(NowMs() - created);
        Sleep(50);
    }
    FindCloseChangeNotification(watch);
    return times;
}

// Reads a process's threads and memory every few milliseconds on a thread of its own and keeps
// the highest of each, until stopped or destroyed.
class PeakSampler {
  public:
    PeakSampler(int pid, DWORD intervalMs) : pid_(pid), intervalMs_(intervalMs) {
        stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        Take();
        thread_ = CreateThread(nullptr, 0, &PeakSampler::Main, this, 0, nullptr);
    }
    ~PeakSampler() { Stop(); }
    PeakSampler(const PeakSampler&) = delete;
    PeakSampler& operator=(const PeakSampler&) = delete;

    // Ends the sampling with one last reading; the peaks stay.
    void Stop() {
        if (!thread_) return;
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        CloseHandle(stop_);
        thread_ = nullptr;
        Take();
    }
    const UnixStatus& Peak() const { return peak_; }
    int Samples() const { return samples_; }

  private:
    static DWORD WINAPI Main(void* self) {
        auto* sampler = static_cast<PeakSampler*>(self);
        while (WaitForSingleObject(sampler->stop_, sampler->intervalMs_) == WAIT_TIMEOUT)
            sampler->Take();
        return 0;
    }
    void Take() {
        const UnixStatus now = ReadUnixStatus(pid_);
        peak_.threads = std::max(peak_.threads, now.threads);
        peak_.rssAnonMiB = std::max(peak_.rssAnonMiB, now.rssAnonMiB);
        peak_.vmRssMiB = std::max(peak_.vmRssMiB, now.vmRssMiB);
        ++samples_;
    }

    int pid_;
    DWORD intervalMs_;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
    UnixStatus peak_;
    int samples_ = 0;
};

// How often the threads and memory are read during a burst.
constexpr DWORD kSampleMs = 10;
// When the memory after a burst is read: this long after the desktop was empty.
constexpr double kAfterBurstMs = 5000;

struct Burst {
    double ms = 0;          // from the first file created until the desktop is empty
    double cpuPerFile = 0;  // the mover's CPU for the burst, per file
    double serverCpuPerFile = 0;
    size_t left = 0;     // still on the desktop when it settled
    size_t arrived = 0;  // in the target afterwards
    UnixStatus peak;     // the highest thread count and memory from the first file until it settled
    int samples = 0;     // readings taken for the peaks
    UnixStatus after;    // kAfterBurstMs after it settled
};

// n files created on the watched desktop; done when it is empty, or nothing has left it for 3 s.
Burst RunBurst(const std::wstring& desktop, const std::wstring& target, int n, int pid, int serverPid) {
    Burst b;
    const double cpuBefore = CpuMs(pid);
    const double serverBefore = CpuMs(serverPid);
    PeakSampler sampler(pid, kSampleMs);
    const double start = NowMs();
    for (int i = 0; i < n; ++i)
        WriteNewFile(desktop + BurstName(n, i), "0123456789abcdef");
    double lastChange = NowMs();
    size_t remaining = SIZE_MAX;
    for (;;) {
        if (DesktopEmpty(desktop)) {
            lastChange = NowMs();
            remaining = 0;
            break;
        }
        if (NowMs() - lastChange > 500) {
            size_t now = ListNames(desktop).size();
            if (now == remaining && NowMs() - lastChange > 3000) break;
            if (now != remaining) lastChange = NowMs();
            remaining = now;
        }
        Sleep(5);
    }
    b.ms = lastChange - start;
    Sleep(200);  // the last batch writes its report
    sampler.Stop();
    b.peak = sampler.Peak();
    b.samples = sampler.Samples();
    b.cpuPerFile = (CpuMs(pid) - cpuBefore) / n;
    b.serverCpuPerFile = (CpuMs(serverPid) - serverBefore) / n;
    b.left = remaining;
    b.arrived = ListNames(target).size();
    // Read before the clean-up, which can take seconds for a large target.
    while (NowMs() - lastChange < kAfterBurstMs)
        Sleep(10);
    b.after = ReadUnixStatus(pid);
    for (const auto& name : ListNames(desktop))
        DeleteFileW((desktop + name).c_str());
    MakeEmpty(target);
    Sleep(500);
    return b;
}

// The same n files created in an unwatched folder, then moved one by one.
double BareLoop(const std::wstring& staging, const std::wstring& target, int n) {
    const double start = NowMs();
    for (int i = 0; i < n; ++i)
        WriteNewFile(staging + BurstName(n, i), "0123456789abcdef");
    for (int i = 0; i < n; ++i)
        MoveFileW((staging + BurstName(n, i)).c_str(), (target + BurstName(n, i)).c_str());
    const double ms = NowMs() - start;
    MakeEmpty(staging);
    MakeEmpty(target);
    return ms;
}

struct MoverRun {
    std::vector<double> latencies;
    std::vector<Burst> bursts;
    double idleCpuMs = 0;
    uint64_t idleSwitches = 0;
    double restMiB = 0;       // at rest before any work
    UnixStatus rest;          // the same moment: threads and memory
    double afterWorkMiB = 0;  // at rest after the bursts
    UnixStatus afterWork;
};

MoverRun Measure(const Args& args,
                 const std::wstring& desktop,
                 const std::wstring& target,
                 const Child& child,
                 int serverPid) {
    MoverRun run;
    Sleep(1500);  // the change read is pending, start-up work is over
    run.rest = ReadUnixStatus(child.UnixPid());
    run.restMiB = run.rest.rssAnonMiB;
    const double cpu = CpuMs(child.UnixPid());
    const uint64_t switches = ContextSwitches(child.UnixPid());
    Sleep(static_cast<DWORD>(args.idleSeconds) * 1000);
    run.idleCpuMs = CpuMs(child.UnixPid()) - cpu;
    run.idleSwitches = ContextSwitches(child.UnixPid()) - switches;
    run.latencies = Latencies(desktop, target, args.latencyFiles);
    MakeEmpty(target);
    for (int n : args.bursts) {
        std::printf("  burst of %d files...\n", n);
        std::fflush(stdout);
        run.bursts.push_back(RunBurst(desktop, target, n, child.UnixPid(), serverPid));
    }
    Sleep(7000);  // idle workers end after 5 s
    run.afterWork = ReadUnixStatus(child.UnixPid());
    run.afterWorkMiB = run.afterWork.rssAnonMiB;
    return run;
}

struct StartFigures {
    double programMs = 0, trayMs = 0, programMiB = 0, trayMiB = 0;
    double programThreads = 0, trayThreads = 0;
};

// Each program started `starts` times after one warm-up start; medians.
StartFigures MeasureStarts(const Args& args) {
    std::vector<double> programMs, trayMs, programMiB, trayMiB, programThreads, trayThreads;
    auto keep = [](const Child& child, std::vector<double>& ms, std::vector<double>& mib,
                   std::vector<double>& threads) {
        const UnixStatus now = ReadUnixStatus(child.UnixPid());
        ms.push_back(child.StartupMs());
        mib.push_back(now.rssAnonMiB);
        threads.push_back(static_cast<double>(now.threads));
    };
    for (int i = 0; i <= args.starts; ++i) {
        {
            Child tray(args.programs.at(L"--tray"), L"", L"MinimalTray");
            Sleep(1500);
            if (i > 0) keep(tray, trayMs, trayMiB, trayThreads);
        }
        {
            Child program(args.programs.at(L"--program"), L"", L"TMainForm");
            Sleep(1500);
            if (i > 0) keep(program, programMs, programMiB, programThreads);
        }
    }
    return {Percentile(programMs, 50), Percentile(trayMs, 50),         Percentile(programMiB, 50),
            Percentile(trayMiB, 50),   Percentile(programThreads, 50), Percentile(trayThreads, 50)};
}

// Mean time of one call of what, over count calls.
double PerCall(int count, const std::function<void(int)>& what) {
    const double start = NowMs();
    for (int i = 0; i < count; ++i)
        what(i);
    return (NowMs() - start) / count;
}

// The cost of each call the program makes, in a folder of 1,000 files like a busy desktop.
DWORD WINAPI EmptyThread(void*) {
    return 0;
}

// Sets the second event each time the first is set: a thread that already waits.
DWORD WINAPI AnswerEachAsk(void* arg) {
    HANDLE* pair = static_cast<HANDLE*>(arg);
    for (;;) {
        WaitForSingleObject(pair[0], INFINITE);
        SetEvent(pair[1]);
    }
}

void PrintCallCosts(const std::wstring& folder, const std::wstring& other) {
    const int n = 1000;
    for (int i = 0; i < n; ++i)
        WriteNewFile(folder + BurstName(n, i), "0123456789abcdef");
    const std::wstring some = folder + BurstName(n, 500);
    std::printf("\n| Call (folder of %d files) | Time per call |\n|---|---|\n", n);
    auto row = [](const char* what, double ms) { std::printf("| %s | %.3f ms |\n", what, ms); };
    row("GetFileAttributesW of a file (the batch's look at an item)",
        PerCall(n, [&](int) { GetFileAttributesW(some.c_str()); }));
    row("FindFirstFileW + FindClose of a file (an existence check by search)", PerCall(n, [&](int) {
            WIN32_FIND_DATAW entry;
            FindClose(FindFirstFileW(some.c_str(), &entry));
        }));
    row("GetFileAttributesW of a missing name",
        PerCall(n, [&](int) { GetFileAttributesW((folder + L"missing.dat").c_str()); }));
    row("GetFileAttributesW of an upper-case spelling (case-blind scan)",
        PerCall(n, [&](int) { GetFileAttributesW((folder + L"BURST1000_500.DAT").c_str()); }));
    row("MoveFileW into another folder",
        PerCall(n, [&](int i) { MoveFileW((folder + BurstName(n, i)).c_str(), (other + BurstName(n, i)).c_str()); }));
    HANDLE log = CreateFileW((other + L"log.txt").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0,
                             nullptr);
    const std::string entry(120, 'x');
    row("WriteFile of one 120-byte log entry", PerCall(n, [&](int) {
            DWORD written = 0;
            WriteFile(log, entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr);
        }));
    CloseHandle(log);
    row("GetDateFormatW + GetTimeFormatW (a log time stamp)", PerCall(n, [&](int) {
            wchar_t text[64];
            GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, text, 64);
            GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, text, 64);
        }));
    row("CharLowerBuffW of a 20-character name", PerCall(n, [&](int) {
            wchar_t name[] = L"Quarterly Report.DOC";
            CharLowerBuffW(name, 20);
        }));
    row("CreateThread of an empty thread, until it ran", PerCall(200, [&](int) {
            HANDLE thread = CreateThread(nullptr, 0, EmptyThread, nullptr, 0, nullptr);
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }));
    HANDLE ask = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE events[2] = {ask, done};
    HANDLE waiting = CreateThread(nullptr, 0, AnswerEachAsk, events, 0, nullptr);
    row("Handing work to a waiting thread, until it ran", PerCall(n, [&](int) {
            SetEvent(ask);
            WaitForSingleObject(done, INFINITE);
        }));
    TerminateThread(waiting, 0);
    CloseHandle(waiting);
    CloseHandle(ask);
    CloseHandle(done);
    MakeEmpty(folder);
    MakeEmpty(other);
}

// The rows of the program at rest: idle, memory, threads and start-up.
void PrintRestRows(const Args& args, const MoverRun& program, const MoverRun& mover, const StartFigures& starts) {
    std::printf("| Idle: CPU and thread wake-ups in %d s | %.0f ms, %llu | %.0f ms, %llu | | | 0 and 0 |\n",
                args.idleSeconds, program.idleCpuMs, static_cast<unsigned long long>(program.idleSwitches),
                mover.idleCpuMs, static_cast<unsigned long long>(mover.idleSwitches));
    std::printf(
        "| Memory at rest, RssAnon | %.1f MiB (after the bursts %.1f MiB) | %.1f MiB | %.1f MiB | %.2f x tray | "
        "<= 1.5 x tray |\n",
        starts.programMiB, program.afterWorkMiB, mover.restMiB, starts.trayMiB,
        starts.programMiB / std::max(0.001, starts.trayMiB));
    std::printf(
        "| Memory at rest after the bursts, RssAnon | %.1f MiB | %.1f MiB | %.1f MiB | %.2f x tray | <= 1.5 x tray |\n",
        program.afterWorkMiB, mover.afterWorkMiB, starts.trayMiB,
        program.afterWorkMiB / std::max(0.001, starts.trayMiB));
    std::printf("| Threads at rest (after the bursts) | %.0f (%llu) | %llu (%llu) | %.0f | | |\n",
                starts.programThreads, static_cast<unsigned long long>(program.afterWork.threads),
                static_cast<unsigned long long>(mover.rest.threads),
                static_cast<unsigned long long>(mover.afterWork.threads), starts.trayThreads);
    std::printf(
        "| Start-up until the window exists, median of %d | %.0f ms | | %.0f ms | %.2f x tray | <= 1.2 x tray |\n",
        args.starts, starts.programMs, starts.trayMs, starts.programMs / std::max(0.001, starts.trayMs));
}

// Threads and memory during each burst and 5 s after it, next to the same process at rest.
void PrintBurstResources(const Args& args, const std::vector<std::pair<const char*, const MoverRun*>>& runs) {
    std::printf(
        "\n| Burst | Threads at rest | Peak threads | Threads 5 s after | RssAnon at rest / peak / 5 s after | "
        "VmRSS at rest / peak / 5 s after |\n");
    std::printf("|---|---|---|---|---|---|\n");
    for (const auto& [name, run] : runs) {
        for (size_t i = 0; i < args.bursts.size() && i < run->bursts.size(); ++i) {
            const Burst& b = run->bursts[i];
            std::printf("| %s, %d files | %llu | %llu | %llu | %.1f / %.1f / %.1f MiB | %.1f / %.1f / %.1f MiB |\n",
                        name, args.bursts[i], static_cast<unsigned long long>(run->rest.threads),
                        static_cast<unsigned long long>(b.peak.threads),
                        static_cast<unsigned long long>(b.after.threads), run->rest.rssAnonMiB, b.peak.rssAnonMiB,
                        b.after.rssAnonMiB, run->rest.vmRssMiB, b.peak.vmRssMiB, b.after.vmRssMiB);
        }
    }
    std::printf("\nPeaks from /proc/<pid>/status every %lu ms during each burst (%d readings in the largest).\n",
                static_cast<unsigned long>(kSampleMs),
                runs.empty() || runs[0].second->bursts.empty() ? 0 : runs[0].second->bursts.back().samples);
}

void PrintTable(const Args& args,
                const MoverRun& program,
                const MoverRun& mover,
                const std::vector<double>& bare,
                const StartFigures& starts) {
    std::printf("\n| Figure | Program | Minimal mover | Bare loop / minimal tray | Program ratio | Target |\n");
    std::printf("|---|---|---|---|---|---|\n");
    std::printf("| Latency p50, %d files 50 ms apart | %.1f ms | %.1f ms | | %.2f x mover | <= 3 ms |\n",
                args.latencyFiles, Percentile(program.latencies, 50), Percentile(mover.latencies, 50),
                Percentile(program.latencies, 50) / std::max(0.001, Percentile(mover.latencies, 50)));
    std::printf("| Latency p99 | %.1f ms | %.1f ms | | %.2f x mover | <= 10 ms |\n", Percentile(program.latencies, 99),
                Percentile(mover.latencies, 99),
                Percentile(program.latencies, 99) / std::max(0.001, Percentile(mover.latencies, 99)));
    for (size_t i = 0; i < args.bursts.size(); ++i) {
        const Burst& p = program.bursts[i];
        const Burst& m = mover.bursts[i];
        const int n = args.bursts[i];
        const char* target = n <= 100 ? "<= 1.5 x bare" : n <= 1000 ? "<= 1.0 x bare" : "<= 0.5 x bare";
        std::printf(
            "| Burst of %d files until all moved | %.0f ms (left %zu, arrived %zu) | %.0f ms (%.2f x bare; left "
            "%zu, arrived %zu) | %.0f ms | %.2f x bare | %s |\n",
            n, p.ms, p.left, p.arrived, m.ms, m.ms / bare[i], m.left, m.arrived, bare[i], p.ms / bare[i], target);
        std::printf(
            "| CPU per moved file, burst of %d (Wine server's share) | %.2f ms (%.2f ms) | %.2f ms (%.2f ms) | "
            "| | <= 1 ms |\n",
            n, p.cpuPerFile, p.serverCpuPerFile, m.cpuPerFile, m.serverCpuPerFile);
    }
    PrintRestRows(args, program, mover, starts);
}

}  // namespace

int main() {
    Args args;
    if (!ParseArgs(args)) {
        std::fputs(
            "usage: vantrel_bench --program EXE --mover EXE --tray EXE [--idle-seconds 30] "
            "[--latency-files 200] [--bursts 100,1000,10000] [--starts 5] [--only memory]\n",
            stderr);
        return 2;
    }
    const std::wstring desktop = FreshFolder(L"bench-Desktop");
    const std::wstring moverTarget = FreshFolder(L"bench-MoverTarget");
    const std::wstring staging = FreshFolder(L"bench-Staging");
    const std::wstring bareTarget = FreshFolder(L"bench-BareTarget");
    DesktopRedirect redirect(desktop);
    KeepProgramFiles keep;
    ForgetSettingsAndLog();
    // The program's default target folder.
    const std::wstring programTarget = ShellFolderPath(0x0005 /* CSIDL_PERSONAL */) + L"Vantrel\\";
    MakeEmpty(programTarget);
    const int serverPid = FindWineServer();

    std::printf("start-up and memory, %d starts each...\n", args.starts);
    std::fflush(stdout);
    const StartFigures starts = MeasureStarts(args);

    std::printf("the program: %d s idle, latency, bursts...\n", args.idleSeconds);
    std::fflush(stdout);
    MoverRun program;
    {
        Child child(args.programs.at(L"--program"), L"", L"TMainForm");
        program = Measure(args, desktop, programTarget, child, serverPid);
    }
    auto removeFolders = [&] {
        for (const std::wstring* folder : {&desktop, &moverTarget, &staging, &bareTarget})
            RemoveTree(*folder);
    };
    if (args.memoryOnly) {
        std::printf("\n| Figure | Program | Minimal mover (not run) | Minimal tray | Program ratio | Target |\n");
        std::printf("|---|---|---|---|---|---|\n");
        PrintRestRows(args, program, MoverRun{}, starts);
        PrintBurstResources(args, {{"Program", &program}});
        std::fflush(stdout);
        removeFolders();
        return 0;
    }
    std::printf("the minimal mover...\n");
    std::fflush(stdout);
    MoverRun mover;
    {
        // Folders without their last backslash: before a closing quote it would escape it.
        auto quoted = [](const std::wstring& folder) {
            return std::wstring(1, L'"').append(folder, 0, folder.size() - 1).append(1, L'"');
        };
        const std::wstring arguments =
            quoted(desktop) + L" " + quoted(moverTarget) + L" \"" + FreshFolder(L"bench-MoverLog") + L"log.txt\"";
        Child child(args.programs.at(L"--mover"), arguments, nullptr);
        mover = Measure(args, desktop, moverTarget, child, serverPid);
    }
    std::printf("the bare loop...\n");
    std::fflush(stdout);
    std::vector<double> bare;
    for (int n : args.bursts)
        bare.push_back(BareLoop(staging, bareTarget, n));

    PrintTable(args, program, mover, bare, starts);
    PrintBurstResources(args, {{"Program", &program}, {"Minimal mover", &mover}});
    PrintCallCosts(staging, bareTarget);
    std::fflush(stdout);
    removeFolders();
    return 0;
}
