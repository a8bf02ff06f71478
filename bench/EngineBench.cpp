// engine_bench: how fast the moving engine empties a real desktop, and what it costs at rest.
//
// Runs the real monitor, batches and settings object in this process against a desktop
// directory of its own (the shell's desktop is redirected to a fresh folder for the run) and
// prints, as a Markdown table:
//   - latency from a file appearing on the desktop to its arrival in the target (median, p99),
//     files created one by one;
//   - bursts of N files: time until all are moved, against creating the same files in an
//     unwatched folder and moving them with a bare MoveFileW loop in the same run, and how many
//     were left on the desktop by a buffer overflow;
//   - CPU time used while watching an idle desktop;
//   - private memory at rest.
//
//   engine_bench [--idle-seconds 60] [--latency-files 200] [--bursts 100,1000,10000]
//
// The user's settings file and log are moved aside for the run and put back afterwards;
// scripts/bench.sh runs it in a Wine prefix of its own anyway.
#include <windows.h>
// These need windows.h first.
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "E2eSupport.h"

using namespace vantrel;
using namespace vantrel::e2e;

namespace {

struct Args {
    int idleSeconds = 60;
    int latencyFiles = 200;
    std::vector<int> bursts{100, 1000, 10000};
};

bool ParseArgs(Args& args) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return false;
    std::vector<std::wstring> list(argv + 1, argv + argc);
    LocalFree(argv);
    for (size_t i = 0; i < list.size(); i += 2) {
        if (i + 1 >= list.size()) return false;
        const std::wstring& value = list[i + 1];
        if (list[i] == L"--idle-seconds") {
            args.idleSeconds = std::stoi(value);
        } else if (list[i] == L"--latency-files") {
            args.latencyFiles = std::stoi(value);
        } else if (list[i] == L"--bursts") {
            args.bursts.clear();
            for (size_t at = 0; at < value.size();) {
                size_t comma = value.find(L',', at);
                if (comma == std::wstring::npos) comma = value.size();
                if (comma > at) args.bursts.push_back(std::stoi(value.substr(at, comma - at)));
                at = comma + 1;
            }
        } else {
            return false;
        }
    }
    return true;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t rank = static_cast<size_t>(p / 100.0 * static_cast<double>(values.size()) + 0.999999);
    rank = std::clamp<size_t>(rank, 1, values.size());
    return values[rank - 1];
}

double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

struct Memory {
    double privateMiB = 0;     // PrivateUsage; Wine leaves it 0
    double pagefileMiB = 0;    // PagefileUsage: under Wine, the private commit
    double workingSetMiB = 0;  // WorkingSetSize
};

Memory MemoryNow() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    Memory m;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc))
        return m;
    const double mib = 1024.0 * 1024.0;
    m.privateMiB = static_cast<double>(pmc.PrivateUsage) / mib;
    m.pagefileMiB = static_cast<double>(pmc.PagefileUsage) / mib;
    m.workingSetMiB = static_cast<double>(pmc.WorkingSetSize) / mib;
    return m;
}

std::string Describe(const Memory& m) {
    char text[160];
    std::snprintf(text, sizeof text, "private %.1f MiB, pagefile %.1f MiB, working set %.1f MiB", m.privateMiB,
                  m.pagefileMiB, m.workingSetMiB);
    return text;
}

size_t CountFiles(const std::wstring& folder) {
    return ListNames(folder).size();
}

// Waits until path exists, woken by a change notification on its folder; returns the time it was seen.
double WaitForArrival(HANDLE watch, const std::wstring& path, uint32_t timeoutMs) {
    const double end = NowMs() + timeoutMs;
    for (;;) {
        if (IsFile(path)) return NowMs();
        if (NowMs() > end) return -1;
        if (WaitForSingleObject(watch, 5) == WAIT_OBJECT_0) FindNextChangeNotification(watch);
    }
}

struct Burst {
    int files = 0;
    double createMs = 0;        // creating the files on the watched desktop
    double engineMs = 0;        // from the first file created to the last one arrived
    double bareCreateMs = 0;    // creating the same files in an unwatched folder
    double bareMoveMs = 0;      // the bare MoveFileW loop over them
    double pausedCreateMs = 0;  // creating them on the desktop while monitoring is paused
    size_t left = 0;            // still on the desktop when the engine had settled
    Memory memoryAfter;         // at rest after the burst and its clean-up
    size_t overflows = 0;       // "Byte return error" lines written during the burst
    size_t batches = 0;         // batch reports written for the burst
};

}  // namespace

int main() {
    Args args;
    if (!ParseArgs(args)) {
        std::fputs("usage: engine_bench [--idle-seconds 60] [--latency-files 200] [--bursts 100,1000,10000]\n", stderr);
        return 2;
    }

    const std::wstring desktop = FreshFolder(L"bench-Desktop");
    const std::wstring target = FreshFolder(L"bench-Target");
    const std::wstring staging = FreshFolder(L"bench-Staging");
    const std::wstring bareTarget = FreshFolder(L"bench-BareTarget");
    DesktopRedirect redirect(desktop);
    KeepProgramFiles keep;
    ForgetSettingsAndLog();
    const std::wstring logFile = ProgramDataFolder() + L"Log.txt";

    TOptions options;
    options.SetDestinationFolder(target);
    options.SetExcludedExt({});
    options.SetExcludedFiles({});
    if (options.DesktopFolder() != desktop) {
        std::fprintf(stderr, "the desktop was not redirected: %ls\n", options.DesktopFolder().c_str());
        return 1;
    }
    const Memory memoryBefore = MemoryNow();
    MonitorRun monitor(options);
    Sleep(1000);
    const Memory memoryAtRest = MemoryNow();
    const int threadsAtRest = static_cast<int>(ThreadIds().size());

    // Idle: nothing changes on the desktop; the monitor blocks in the system.
    std::printf("watching an idle desktop for %d s...\n", args.idleSeconds);
    std::fflush(stdout);
    const double cpuBefore = ProcessCpuMs();
    Sleep(static_cast<DWORD>(args.idleSeconds) * 1000);
    const double idleCpuMs = ProcessCpuMs() - cpuBefore;

    // Latency, one file at a time.
    std::printf("latency over %d files...\n", args.latencyFiles);
    std::fflush(stdout);
    std::vector<double> latencies;
    size_t latencyMissed = 0;
    HANDLE watch = FindFirstChangeNotificationW(target.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    for (int i = 0; i < args.latencyFiles; ++i) {
        const std::wstring name = L"latency" + std::to_wstring(i) + L".txt";
        const double created = NowMs();
        WriteNewFile(desktop + name, "latency");
        const double arrived = WaitForArrival(watch, target + name, 10000);
        if (arrived < 0)
            ++latencyMissed;
        else
            latencies.push_back(arrived - created);
        Sleep(20);
    }
    FindCloseChangeNotification(watch);

    std::vector<Burst> bursts;
    for (int n : args.bursts) {
        std::printf("burst of %d files...\n", n);
        std::fflush(stdout);
        Burst b;
        b.files = n;
        const size_t overflowsBefore = CountOf(ReadLog(logFile), L"Byte return error");
        const size_t batchesBefore = CountOf(ReadLog(logFile), L">> Operation report");
        auto name = [n](int i) { return L"burst" + std::to_wstring(n) + L"_" + std::to_wstring(i) + L".dat"; };

        // What watching alone costs: the same files on the desktop while the blocks are discarded.
        options.Paused = true;
        Sleep(200);
        const double pausedStart = NowMs();
        for (int i = 0; i < n; ++i)
            WriteNewFile(desktop + name(i), "0123456789abcdef");
        b.pausedCreateMs = NowMs() - pausedStart;
        for (int i = 0; i < n; ++i)
            DeleteFileW((desktop + name(i)).c_str());
        Sleep(500);
        options.Paused = false;

        const double start = NowMs();
        for (int i = 0; i < n; ++i)
            WriteNewFile(desktop + name(i), "0123456789abcdef");
        b.createMs = NowMs() - start;
        // Settled: the desktop is empty, or nothing has left it for 3 s (the retry wait is 1 s).
        size_t remaining = CountFiles(desktop);
        double lastChange = NowMs();
        while (remaining > 0 && NowMs() - lastChange < 3000) {
            Sleep(10);
            size_t now = CountFiles(desktop);
            if (now != remaining) {
                remaining = now;
                lastChange = NowMs();
            }
        }
        b.engineMs = lastChange - start;
        b.left = remaining;
        b.overflows = CountOf(ReadLog(logFile), L"Byte return error") - overflowsBefore;

        // The same files by hand, in the same run: created in an unwatched folder, then moved.
        const double bareStart = NowMs();
        for (int i = 0; i < n; ++i)
            WriteNewFile(staging + name(i), "0123456789abcdef");
        const double bareCreated = NowMs();
        for (int i = 0; i < n; ++i)
            MoveFileW((staging + name(i)).c_str(), (bareTarget + name(i)).c_str());
        b.bareCreateMs = bareCreated - bareStart;
        b.bareMoveMs = NowMs() - bareCreated;
        // Counted once the last batch has surely written its report.
        b.batches = CountOf(ReadLog(logFile), L">> Operation report") - batchesBefore;
        bursts.push_back(b);

        // Clear up with monitoring paused, so the next figure starts from empty folders.
        options.Paused = true;
        for (const auto& left : ListNames(desktop))
            DeleteFileW((desktop + left).c_str());
        RemoveTree(target);
        RemoveTree(bareTarget);
        RemoveTree(staging);
        CreateDirectoryW(target.c_str(), nullptr);
        CreateDirectoryW(bareTarget.c_str(), nullptr);
        CreateDirectoryW(staging.c_str(), nullptr);
        Sleep(500);
        options.Paused = false;
        Sleep(1000);
        bursts.back().memoryAfter = MemoryNow();
    }

    Sleep(2000);
    const Memory memoryAfter = MemoryNow();
    const double totalCpuMs = ProcessCpuMs();

    // Every block of changes starts a batch thread: what starting one worker as the monitor does
    // costs on this system, until its body runs. The monitor still runs, so each worker signals.
    struct SignallingWorker : vantrel::TThread {
        HANDLE ran = nullptr;
        void Execute() override { SetEvent(ran); }
    };
    HANDLE ran = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const double threadsStart = NowMs();
    for (int i = 0; i < 200; ++i) {
        auto* worker = new SignallingWorker;
        worker->ran = ran;
        worker->FreeOnTerminate = true;
        worker->Resume();
        WaitForSingleObject(ran, 10000);
    }
    const double threadStartMs = (NowMs() - threadsStart) / 200;
    CloseHandle(ran);
    // Idle workers end after a few seconds: at rest only the main thread and the monitor remain.
    Sleep(7000);
    const int threadsAfterWork = static_cast<int>(ThreadIds().size());

    std::printf("\n| Measure | Result |\n|---|---|\n");
    std::printf("| Latency, desktop to target (%zu files one by one) | median %.1f ms, p99 %.1f ms, max %.1f ms%s |\n",
                latencies.size(), Percentile(latencies, 50), Percentile(latencies, 99), Percentile(latencies, 100),
                latencyMissed ? " (some never arrived)" : "");
    for (const auto& b : bursts) {
        const double bare = b.bareCreateMs + b.bareMoveMs;
        std::printf(
            "| Burst of %d files | engine %.0f ms in %zu batches (creating them: %.0f ms; creating them while paused: "
            "%.0f ms); "
            "bare create + MoveFileW loop %.0f ms (loop alone %.0f ms); ratio %.2f; left by overflow: %zu "
            "(%zu overflow line%s); afterwards %s |\n",
            b.files, b.engineMs, b.batches, b.createMs, b.pausedCreateMs, bare, b.bareMoveMs,
            bare > 0 ? b.engineMs / bare : 0.0, b.left, b.overflows, b.overflows == 1 ? "" : "s",
            Describe(b.memoryAfter).c_str());
    }
    std::printf("| Handing one body to a worker until it runs (one after the other, idle workers reused) | %.2f ms |\n",
                threadStartMs);
    std::printf("| CPU while watching an idle desktop for %d s | %.1f ms (the whole run used %.0f ms) |\n",
                args.idleSeconds, idleCpuMs, totalCpuMs);
    std::printf("| Memory at rest, monitor running | %s; %d threads |\n", Describe(memoryAtRest).c_str(),
                threadsAtRest);
    std::printf("| Memory before the monitor started | %s |\n", Describe(memoryBefore).c_str());
    std::printf("| Memory at rest after the bursts | %s |\n", Describe(memoryAfter).c_str());
    std::printf("| Threads 7 s after the last worker ended | %d |\n", threadsAfterWork);
    std::fflush(stdout);

    if (!monitor.Stop()) {
        std::fputs("the engine's workers did not end\n", stderr);
        ExitProcess(1);
    }
    RemoveTree(desktop);
    RemoveTree(target);
    RemoveTree(staging);
    RemoveTree(bareTarget);
    return 0;
}
