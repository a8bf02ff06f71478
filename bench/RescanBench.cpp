// vantrel_bench_rescan: the listing the monitor makes after it lost change notifications.
//
// A folder of N desktop items (mostly files with everyday names, some folders) is listed into a
// desktop picture; then M new items appear and the picture lists the folder again. Wall time and
// the thread's CPU time of each rescan, with new items and with none, and the memory the picture
// takes. Every rescan must report exactly the new names. Prints one Markdown table.
//
//   vantrel_bench_rescan [--items 10000] [--new 100] [--repeats 9]
#include <windows.h>
// These need windows.h first.
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "BenchArgs.h"
#include "E2eSupport.h"
#include "UnixProcess.h"
#include "engine/Picture.h"

using namespace vantrel::e2e;

namespace {

struct Args {
    int items = 10000;
    int added = 100;
    int repeats = 9;
};

bool ParseArgs(Args& args) {
    return vantrel::bench::ForEachOption([&](const std::wstring& key, const std::wstring& text) {
               const int value = std::stoi(text);
               if (key == L"--items") {
                   args.items = value;
               } else if (key == L"--new") {
                   args.added = value;
               } else if (key == L"--repeats") {
                   args.repeats = value;
               } else {
                   return false;
               }
               return true;
           }) &&
           args.items >= 0 && args.added >= 0 && args.repeats > 0;
}

// The number at the end keeps every name unique, whatever the letter case; names run from 10 to
// 40 characters, one item in 25 is a folder.
std::wstring ItemName(int index, bool& folder) {
    static const wchar_t* const kStems[] = {L"Screenshot 2024-03-18",
                                            L"IMG_20230714",
                                            L"Quarterly report",
                                            L"invoice",
                                            L"Meeting notes",
                                            L"R\u00e9sum\u00e9 M\u00fcller",
                                            L"budget",
                                            L"holiday photos",
                                            L"draft",
                                            L"Scan",
                                            L"presentation",
                                            L"Copy of contract",
                                            L"setup",
                                            L"notes",
                                            L"export"};
    static const wchar_t* const kWords[] = {L"", L" final", L" v2", L" (1)", L" old", L" backup", L" - Copy"};
    static const wchar_t* const kExtensions[] = {L".pdf", L".docx", L".png", L".jpg", L".xlsx",
                                                 L".txt", L".zip",  L".lnk", L".mp4", L".pptx"};
    static const wchar_t* const kFolders[] = {L"Project files", L"New folder", L"Photos 2023", L"Old desktop items",
                                              L"Tax documents"};
    uint32_t seed = static_cast<uint32_t>(index) * 2654435761u + 12345u;
    auto pick = [&seed](size_t count) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 16) % count;
    };
    folder = index % 25 == 7;
    if (folder) return std::wstring(kFolders[pick(std::size(kFolders))]) + L" " + std::to_wstring(index);
    std::wstring name = kStems[pick(std::size(kStems))];
    return name + kWords[pick(std::size(kWords))] + L" " + std::to_wstring(index) +
           kExtensions[pick(std::size(kExtensions))];
}

bool MakeItem(const std::wstring& folder, int index, std::vector<std::wstring>* names = nullptr) {
    bool isFolder = false;
    const std::wstring name = ItemName(index, isFolder);
    if (names) names->push_back(name);
    const std::wstring path = folder + name;
    return isFolder ? CreateDirectoryW(path.c_str(), nullptr) != 0 : WriteNewFile(path, "");
}

void RemoveItem(const std::wstring& folder, const std::wstring& name) {
    const std::wstring path = folder + name;
    if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
}

double ThreadCpuMs() {
    FILETIME created, ended, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
    auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

// The step of the thread CPU clock: Wine reads it from Linux in clock ticks.
double CpuClockStepMs() {
    double start = ThreadCpuMs(), first = start;
    while ((first = ThreadCpuMs()) == start) {
    }
    double second = first;
    while ((second = ThreadCpuMs()) == first) {
    }
    return second - first;
}

struct Sample {
    double wallMs = 0, cpuMs = 0;
};

// One rescan, timed; exits the benchmark when it fails or its new names are not exactly expected.
Sample TimedRescan(vantrel::TDesktopPicture& picture, const std::wstring& folder, std::vector<std::wstring> expected) {
    vantrel::StringList added;
    uint32_t error = 0;
    Sample sample;
    const double cpu = ThreadCpuMs(), wall = NowMs();
    const bool ok = picture.Rescan(folder, added, error);
    sample.wallMs = NowMs() - wall;
    sample.cpuMs = ThreadCpuMs() - cpu;
    std::sort(added.begin(), added.end());
    std::sort(expected.begin(), expected.end());
    if (!ok || added != expected) {
        std::fprintf(stderr, "FAILED: rescan %s (error %u), %zu names reported as new, %zu expected\n",
                     ok ? "succeeded" : "failed", error, added.size(), expected.size());
        RemoveTree(folder);
        std::exit(1);
    }
    return sample;
}

struct Summary {
    double median = 0, worst = 0, mean = 0;
};

Summary Summarize(std::vector<double> values) {
    Summary s;
    std::sort(values.begin(), values.end());
    s.median = values[values.size() / 2];
    s.worst = values.back();
    for (double v : values)
        s.mean += v / static_cast<double>(values.size());
    return s;
}

void Row(const std::string& what, const std::vector<Sample>& samples) {
    std::vector<double> wall, cpu;
    for (const Sample& s : samples)
        wall.push_back(s.wallMs), cpu.push_back(s.cpuMs);
    const Summary w = Summarize(wall), c = Summarize(cpu);
    std::printf("| %s | %.1f / %.1f ms | %.1f / %.1f ms (mean %.1f ms) |\n", what.c_str(), w.median, w.worst, c.median,
                c.worst, c.mean);
}

// Wine leaves PrivateUsage at 0; PagefileUsage, the commit charge, is the private bytes there and
// on Windows alike.
PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

double MiB(SIZE_T after, SIZE_T before) {
    return (static_cast<double>(after) - static_cast<double>(before)) / (1024.0 * 1024.0);
}

}  // namespace

int main() {
    Args args;
    if (!ParseArgs(args)) {
        std::fputs("usage: vantrel_bench_rescan [--items 10000] [--new 100] [--repeats 9]\n", stderr);
        return 2;
    }
    const std::wstring desktop = FreshFolder(L"bench-RescanDesktop");
    for (int i = 0; i < args.items; ++i) {
        if (!MakeItem(desktop, i)) {
            std::fprintf(stderr, "cannot make item %d (error %lu)\n", i, GetLastError());
            RemoveTree(desktop);
            return 1;
        }
    }

    vantrel::TDesktopPicture picture;
    uint32_t error = 0;
    const PROCESS_MEMORY_COUNTERS before = Memory();
    const double fillCpu = ThreadCpuMs(), fillWall = NowMs();
    const bool filled = picture.Fill(desktop, error);
    const Sample fill{NowMs() - fillWall, ThreadCpuMs() - fillCpu};
    const PROCESS_MEMORY_COUNTERS after = Memory();
    if (!filled || picture.Size() != static_cast<size_t>(args.items)) {
        std::fprintf(stderr, "FAILED: fill (error %u) holds %zu names of %d\n", error, picture.Size(), args.items);
        RemoveTree(desktop);
        return 1;
    }

    // With new items: each round adds its own new names, rescans, then removes them again and
    // brings the picture back to the N items untimed.
    std::vector<Sample> withNew, withNone;
    for (int round = 0; round < args.repeats; ++round) {
        std::vector<std::wstring> names;
        for (int i = 0; i < args.added; ++i)
            MakeItem(desktop, args.items + round * args.added + i, &names);
        withNew.push_back(TimedRescan(picture, desktop, names));
        for (const std::wstring& name : names)
            RemoveItem(desktop, name);
        TimedRescan(picture, desktop, {});
    }
    // Nothing is made or removed meanwhile: whatever the Wine server spends here, the listing costs.
    const int server = vantrel::bench::FindWineServer();
    const double serverCpu = vantrel::bench::CpuMs(server);
    for (int round = 0; round < args.repeats; ++round)
        withNone.push_back(TimedRescan(picture, desktop, {}));
    const double serverCpuMs = vantrel::bench::CpuMs(server) - serverCpu;

    std::printf("\n| Desktop of %d items | Wall, median / worst | Thread CPU, median / worst |\n", args.items);
    std::printf("|---|---|---|\n");
    std::printf("| First listing (Fill) | %.1f ms | %.1f ms |\n", fill.wallMs, fill.cpuMs);
    Row("Rescan, " + std::to_string(args.added) + " new items, " + std::to_string(args.repeats) + " runs", withNew);
    Row("Rescan, no new items, " + std::to_string(args.repeats) + " runs", withNone);
    std::printf(
        "| Growth over Fill, private bytes / working set (the picture and heap the listing left) | %.2f / %.2f MiB | "
        "|\n",
        MiB(after.PagefileUsage, before.PagefileUsage), MiB(after.WorkingSetSize, before.WorkingSetSize));
    std::printf(
        "\nThread CPU clock steps of %.1f ms; Wine server CPU over the %d rescans with no new items: %.0f ms.\n",
        CpuClockStepMs(), args.repeats, serverCpuMs);
    std::fflush(stdout);
    RemoveTree(desktop);
    return 0;
}
