// minimal_mover: the least a desktop mover can be, as a yardstick for the program. One 64 KiB
// change read on the desktop, a thread per block, MoveFileW for every added name and one log line
// per block. No masks, clashes, retries, folders, notes or settings.
//   minimal_mover DESKTOP TARGET LOGFILE    (folders without their last backslash)
#include <windows.h>
// These need windows.h first.
#include <shellapi.h>

#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

std::wstring desktop;
std::wstring target;
HANDLE logFile = INVALID_HANDLE_VALUE;
std::mutex logLock;

struct Block {
    std::vector<char> bytes;
};

DWORD WINAPI MoveBlock(void* arg) {
    Block* block = static_cast<Block*>(arg);
    int moved = 0;
    for (size_t at = 0;;) {
        FILE_NOTIFY_INFORMATION record;
        std::memcpy(&record, block->bytes.data() + at, offsetof(FILE_NOTIFY_INFORMATION, FileName));
        if (record.Action == FILE_ACTION_ADDED) {
            std::wstring name(record.FileNameLength / sizeof(wchar_t), L'\0');
            std::memcpy(name.data(), block->bytes.data() + at + offsetof(FILE_NOTIFY_INFORMATION, FileName),
                        record.FileNameLength);
            if (MoveFileW((desktop + name).c_str(), (target + name).c_str())) ++moved;
        }
        if (record.NextEntryOffset == 0) break;
        at += record.NextEntryOffset;
    }
    std::string line = "moved " + std::to_string(moved) + " files\r\n";
    {
        std::lock_guard<std::mutex> guard(logLock);
        DWORD written = 0;
        WriteFile(logFile, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    delete block;
    return 0;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc != 4) return 2;
    desktop = std::wstring(argv[1]) + L"\\";
    target = std::wstring(argv[2]) + L"\\";
    logFile = CreateFileW(argv[3], FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    HANDLE folder =
        CreateFileW(desktop.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    LocalFree(argv);
    if (folder == INVALID_HANDLE_VALUE || logFile == INVALID_HANDLE_VALUE) return 1;

    static DWORD buffer[64 * 1024 / sizeof(DWORD)];
    for (;;) {
        DWORD bytes = 0;
        if (!ReadDirectoryChangesW(folder, buffer, sizeof buffer, FALSE,
                                   FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME, &bytes, nullptr,
                                   nullptr)) {
            if (GetLastError() == ERROR_NOTIFY_ENUM_DIR) continue;
            return 1;
        }
        if (bytes == 0) continue;
        auto* block = new Block;
        block->bytes.assign(reinterpret_cast<char*>(buffer), reinterpret_cast<char*>(buffer) + bytes);
        HANDLE thread = CreateThread(nullptr, 0, MoveBlock, block, 0, nullptr);
        if (thread)
            CloseHandle(thread);
        else
            MoveBlock(block);
    }
}
