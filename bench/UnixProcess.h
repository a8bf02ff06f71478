// What Linux knows of a process that runs under Wine, read from /proc through Wine's Z: drive:
// the figures Wine itself does not report for other processes (resident anonymous memory,
// CPU time, context switches). On Windows there is no Z:\proc and every figure reads as 0.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace vantrel::bench {

// The whole of a small Linux file, or empty.
inline std::string ReadUnixFile(const std::string& path) {
    std::wstring dosPath = L"Z:";
    for (char c : path)
        dosPath += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    HANDLE file = CreateFileW(dosPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0)
        text.append(chunk, read);
    CloseHandle(file);
    return text;
}

// The numbers of the running Linux processes.
inline std::vector<int> UnixPids() {
    std::vector<int> pids;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &entry);
    if (find == INVALID_HANDLE_VALUE) return pids;
    do {
        if (entry.cFileName[0] >= L'0' && entry.cFileName[0] <= L'9') pids.push_back(_wtoi(entry.cFileName));
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return pids;
}

// The first word of a process's command line: the program as its starter named it.
inline std::string ProgramOf(int pid) {
    const std::string line = ReadUnixFile("/proc/" + std::to_string(pid) + "/cmdline");
    return line.substr(0, line.find('\0'));
}

// The newest process started as program (exactly as it was named to CreateProcess); 0 if none.
inline int FindUnixPid(const std::string& program) {
    int found = 0;
    for (int pid : UnixPids())
        if (pid > found && ProgramOf(pid) == program) found = pid;
    return found;
}

// The Wine server of this process's prefix: Wine keeps WINEPREFIX out of the Windows
// environment, but the Linux one of this process still holds it.
inline int FindWineServer() {
    const std::string own = ReadUnixFile("/proc/self/environ");
    const size_t at = own.find("WINEPREFIX=");
    if (at == std::string::npos) return 0;
    std::string needle(1, '\0');
    needle.append(own, at, own.find('\0', at) - at).push_back('\0');
    for (int pid : UnixPids()) {
        if (ProgramOf(pid).find("wineserver") == std::string::npos) continue;
        std::string environment(1, '\0');
        environment.append(ReadUnixFile("/proc/" + std::to_string(pid) + "/environ")).push_back('\0');
        if (environment.find(needle) != std::string::npos) return pid;
    }
    return 0;
}

// A "Name:   value kB" line of /proc/<pid>/status, in kB (or the plain count).
inline uint64_t StatusField(const std::string& status, const std::string& name) {
    size_t at = status.find("\n" + name + ":");
    if (at == std::string::npos) return 0;
    return std::strtoull(status.c_str() + at + name.size() + 2, nullptr, 10);
}

inline double RssAnonMiB(int pid) {
    if (pid == 0) return 0;
    return static_cast<double>(StatusField(ReadUnixFile("/proc/" + std::to_string(pid) + "/status"), "RssAnon")) /
           1024.0;
}

// The threads and resident memory of a process at one moment, from one read of its status.
struct UnixStatus {
    uint64_t threads = 0;
    double rssAnonMiB = 0;  // private memory in use: heaps, stacks, written data
    double vmRssMiB = 0;    // all resident memory, the shared libraries' pages too
};

inline UnixStatus ReadUnixStatus(int pid) {
    UnixStatus now;
    if (pid == 0) return now;
    const std::string status = ReadUnixFile("/proc/" + std::to_string(pid) + "/status");
    now.threads = StatusField(status, "Threads");
    now.rssAnonMiB = static_cast<double>(StatusField(status, "RssAnon")) / 1024.0;
    now.vmRssMiB = static_cast<double>(StatusField(status, "VmRSS")) / 1024.0;
    return now;
}

// User and system CPU time of the whole process, in milliseconds (10 ms steps on most kernels).
inline double CpuMs(int pid) {
    if (pid == 0) return 0;
    const std::string stat = ReadUnixFile("/proc/" + std::to_string(pid) + "/stat");
    size_t at = stat.rfind(')');
    if (at == std::string::npos) return 0;
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    const char* p = stat.c_str() + at + 2;
    uint64_t field[16] = {};
    for (int i = 3; i <= 15; ++i) {
        char* end = nullptr;
        field[i] = std::strtoull(p, &end, 10);
        if (i == 3) end = const_cast<char*>(p) + 1;  // the state is a letter
        p = end;
    }
    return static_cast<double>(field[14] + field[15]) * 10.0;
}

// Every time one of the process's threads was switched out, voluntarily or not: a thread that
// sleeps in the system without being woken adds nothing.
inline uint64_t ContextSwitches(int pid) {
    if (pid == 0) return 0;
    uint64_t total = 0;
    WIN32_FIND_DATAW entry;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::wstring pattern(L"Z:");
    pattern.append(tasks.begin(), tasks.end()).append(L"\\*");
    HANDLE find = FindFirstFileW(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        if (entry.cFileName[0] < L'0' || entry.cFileName[0] > L'9') continue;
        const std::string status = ReadUnixFile(tasks + "/" + std::to_string(_wtoi(entry.cFileName)) + "/status");
        total += StatusField(status, "voluntary_ctxt_switches") + StatusField(status, "nonvoluntary_ctxt_switches");
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return total;
}

}  // namespace vantrel::bench
