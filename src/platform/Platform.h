// The narrow seam between the program's rules and the operating system.
//
// Every call that can fail returns its system error code (Errors.h), SysError::None when it
// succeeded; a call that makes an object hands it out through its last parameter, which stays
// untouched on failure. What the system keeps as the thread's last error stays behind the seam.
//
// Engine, settings and log reach the OS only through this interface. The Win32
// implementation (Win32Platform.h) makes exactly the calls the program is built
// around; tests install a fake (tests/fakes) with a virtual clock, an in-memory
// file system, injected error codes and scripted change notifications.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Errors.h"

namespace vantrel {

// Shell folder ids the program asks for (CSIDL values).
enum class SpecialFolder : int {
    Documents = 5,          // CSIDL_PERSONAL
    DesktopDirectory = 16,  // CSIDL_DESKTOPDIRECTORY
    LocalAppData = 28,      // CSIDL_LOCAL_APPDATA
};

// Result of waiting on a folder watch.
enum class WaitResult {
    Changed,  // WAIT_OBJECT_0: something inside was created, deleted or renamed
    Timeout,  // WAIT_TIMEOUT: a whole period passed without a change
    Other,    // anything else (WAIT_FAILED, WAIT_ABANDONED)
};

// A watch on a folder tree for file and folder name changes
// (FindFirstChangeNotificationW with subtree, FILE_NAME | DIR_NAME). Closed on destruction.
class FolderWatch {
  public:
    virtual ~FolderWatch() = default;
    virtual WaitResult Wait(uint32_t timeoutMs) = 0;  // WaitForSingleObject
    virtual SysError Rearm() = 0;                     // FindNextChangeNotification
};

// The desktop directory opened for change notification (CreateFileW with FILE_LIST_DIRECTORY,
// share read|write|delete, FILE_FLAG_BACKUP_SEMANTICS). Closed on destruction.
class DirectoryChanges {
  public:
    virtual ~DirectoryChanges() = default;
    // Waits for the next ReadDirectoryChangesW result: top level only, FILE_NOTIFY_CHANGE_FILE_NAME |
    // FILE_NOTIFY_CHANGE_DIR_NAME. Fills buffer with FILE_NOTIFY_INFORMATION records and sets bytes.
    // Fails with kErrorNotifyEnumDir when changes were lost, also those that did not fit size
    // bytes; with kErrorFileNotFound once the watched folder has been removed or renamed. The watch
    // begins when the folder is opened and goes on between calls.
    virtual SysError Read(void* buffer, uint32_t size, uint32_t& bytes) = 0;
};

// An open file, read and written as bytes. Closed on destruction.
class OpenFile {
  public:
    virtual ~OpenFile() = default;
    virtual SysError Append(const void* data, size_t size) = 0;  // one write at the end of the file
    virtual SysError ReadAll(std::string& bytes) = 0;            // from the start; the position ends at the end
    virtual SysError Truncate() = 0;                             // length 0, position 0
};

// What the system tells of one file or folder (FindFirstFileW, GetFileInformationByHandleEx).
struct ItemInfo {
    std::wstring name;        // as stored, letter case included; empty where a handle was asked
    uint32_t attributes = 0;  // FILE_ATTRIBUTE_* bits
    uint64_t size = 0;        // bytes; 0 for a folder
    // FILETIMEs as 100 ns counts; 0 leaves a time unchanged where one is set.
    uint64_t created = 0, lastAccess = 0, lastWrite = 0;
};

constexpr uint32_t kAttributeReadOnly = 0x1;        // FILE_ATTRIBUTE_READONLY
constexpr uint32_t kAttributeHidden = 0x2;          // FILE_ATTRIBUTE_HIDDEN
constexpr uint32_t kAttributeSystem = 0x4;          // FILE_ATTRIBUTE_SYSTEM
constexpr uint32_t kAttributeDirectory = 0x10;      // FILE_ATTRIBUTE_DIRECTORY
constexpr uint32_t kAttributeReparsePoint = 0x400;  // FILE_ATTRIBUTE_REPARSE_POINT: a link or junction

// A file opened to be moved to another volume (CreateFileW with GENERIC_READ | DELETE |
// FILE_WRITE_ATTRIBUTES, sharing read only): while it is open nobody else can write or delete it,
// and opening it fails with a sharing violation while someone else writes it. Closed on destruction.
class SourceFile {
  public:
    virtual ~SourceFile() = default;
    virtual SysError Stat(ItemInfo& info) = 0;  // size, times and attributes, as they are now
    // Reads up to size bytes from the current position; got is 0 at the end of the file.
    virtual SysError Read(void* buffer, uint32_t size, uint32_t& got) = 0;
    // Marks the file for deletion through this handle (FileDispositionInfo), read-only or not;
    // it is gone when the handle closes.
    virtual SysError Delete() = 0;
};

// A file made for a copy (CreateFileW CREATE_NEW with GENERIC_WRITE | DELETE |
// FILE_WRITE_ATTRIBUTES, sharing delete only, so it can be renamed while open and nobody reads it
// half-written). Closed on destruction.
class NewFile {
  public:
    virtual ~NewFile() = default;
    virtual SysError Write(const void* data, uint32_t size) = 0;  // all of it, or a failure
    // On disk in full (FlushFileBuffers), then the times and attributes of like; reports the size.
    virtual SysError Finish(const ItemInfo& like, uint64_t& size) = 0;
    // Deletes the file through this handle, whatever its name is by now and read-only or not.
    virtual SysError Discard() = 0;
};

class Platform {
  public:
    virtual ~Platform() = default;

    // --- files and folders (wide paths throughout) ---
    // These take full paths literally ("\\?\" paths): a name ending in a dot or a blank is
    // that name and not its neighbour without them, and a path may be longer than MAX_PATH.
    virtual bool FileExists(const std::wstring& path) = 0;       // FindFirstFileW finds it, not a directory
    virtual bool DirectoryExists(const std::wstring& path) = 0;  // GetFileAttributesW has the directory bit
    // GetFileAttributesW: the item's FILE_ATTRIBUTE_* bits, or why the system has none for path.
    virtual SysError GetAttributes(const std::wstring& path, uint32_t& attributes) = 0;
    // MoveFileExW without flags: never replaces and never copies; moves folders too. Between two
    // volumes it fails with kErrorNotSameDevice.
    virtual SysError MoveFile(const std::wstring& from, const std::wstring& to) = 0;
    virtual SysError DeleteFile(const std::wstring& path) = 0;       // DeleteFileW
    virtual SysError CreateDirectory(const std::wstring& path) = 0;  // CreateDirectoryW, one level
    virtual SysError RemoveFolder(const std::wstring& path) = 0;     // RemoveDirectoryW: an empty folder
    // FindFirstFileW on the path itself: the item's stored name, attributes, size and times.
    virtual SysError FindItem(const std::wstring& path, ItemInfo& info) = 0;
    // The items directly inside folder whose names match pattern ("*", or a beginning followed by
    // "*", letter case ignored), without "." and "..", in the system's order; none is no failure.
    // A link is listed as one item with kAttributeReparsePoint and never entered.
    virtual SysError ListFolder(const std::wstring& folder,
                                const std::wstring& pattern,
                                std::vector<ItemInfo>& items) = 0;
    // For moves to another volume. See SourceFile and NewFile; both take full paths literally,
    // like the calls above.
    virtual SysError OpenToMove(const std::wstring& path, std::unique_ptr<SourceFile>& file) = 0;
    virtual SysError CreateNew(const std::wstring& path, std::unique_ptr<NewFile>& file) = 0;
    // The root of the volume that holds path (GetVolumePathNameW: "D:\", or the folder another
    // volume is mounted on); empty when the system cannot tell.
    virtual std::wstring VolumeOf(const std::wstring& path) = 0;
    // SHFileOperationW on one folder: FO_RENAME when rename, else FO_MOVE, flags
    // FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI. Returns the shell's result.
    // The shell parses paths the classic way (see NeedsLiteralPath), and a move onto a name that
    // exists reports success: into an existing folder it nests the source, an existing file it
    // replaces. Callers check the destination before and after.
    virtual ShellResult ShellFolderOperation(const std::wstring& from, const std::wstring& to, bool rename) = 0;

    // Whole-file reads and writes for the settings file and note files. A file longer than
    // maxBytes is not read at all: the read fails with kErrorFileTooLarge.
    virtual SysError ReadFile(const std::wstring& path, std::string& bytes, uint64_t maxBytes) = 0;
    // Creates or empties the file and writes bytes (note files).
    virtual SysError WriteFile(const std::wstring& path, const std::string& bytes) = 0;
    // Writes bytes to a temporary file beside path, then replaces path with it, so a failure
    // never leaves a half-written file where a good one stood.
    virtual SysError ReplaceFile(const std::wstring& path, const std::string& bytes) = 0;

    // The log file: opened for reading and writing, others may only read; created empty
    // first (CREATE_NEW, share read) when missing.
    virtual SysError OpenLogFile(const std::wstring& path, std::unique_ptr<OpenFile>& file) = 0;

    // --- change notification ---
    virtual SysError OpenDirectoryChanges(const std::wstring& path, std::unique_ptr<DirectoryChanges>& changes) = 0;
    virtual SysError WatchFolderTree(const std::wstring& path, std::unique_ptr<FolderWatch>& watch) = 0;

    // --- time, text ---
    virtual uint32_t TickCount() = 0;  // GetTickCount
    virtual void Sleep(uint32_t ms) = 0;
    virtual void LowerCase(std::wstring& text) = 0;  // CharLowerBuffW over the whole string
    // The local date and time for a log stamp: short date, a blank, long time, by the
    // user's locale; only the date at exactly midnight.
    virtual std::wstring TimeStamp() = 0;

    // --- identity and folders ---
    // SHGetFolderPathW; false (E_FAIL or any failure) leaves path untouched. The shell answers
    // with an HRESULT here, no system code, and nobody asks why a folder is unknown.
    virtual bool GetSpecialFolder(SpecialFolder folder, std::wstring& path) = 0;
    virtual std::wstring TempPath() = 0;                // GetTempPathW, ends with a backslash
    virtual SysError UserName(std::wstring& name) = 0;  // GetUserNameW
    virtual void NameThread(const char* name) = 0;      // the debugger's thread-name exception
    virtual void RefreshDesktop() = 0;                  // PostMessage(GetDesktopWindow(), WM_PAINT, 0, 0)

    // --- threads ---
    // A new thread that runs main(arg), with stackBytes of address space reserved for its stack
    // (_beginthreadex with STACK_SIZE_PARAM_IS_A_RESERVATION), or why the system cannot make one.
    using ThreadMain = void (*)(void* arg);
    virtual SysError StartThread(ThreadMain main, void* arg, uint32_t stackBytes) = 0;
};

// True when classic Win32 path parsing would not take path as it stands: its last name ends in
// a dot or a blank (the parser drops them and so names another item), or the path does not fit
// MAX_PATH. The shell's file operation parses paths this way.
bool NeedsLiteralPath(const std::wstring& path);

// text lower-cased by the system (Os().LowerCase): how the program folds case for every script.
std::wstring Lowered(std::wstring text);

// Whether two full folder paths name the same folder: letter case is ignored (the system's
// lower-casing), and so are "/" for "\\" and trailing backslashes. The program's one rule for
// comparing folders: the pages, the tray's target choice and its check marks, the desktop guard.
bool SameFolder(const std::wstring& a, const std::wstring& b);

// Whether two full paths are on one volume, where one rename moves an item. True when the
// system cannot tell: the rename then decides.
bool OnOneVolume(const std::wstring& a, const std::wstring& b);

// The system's own thread start behind StartThread, for every implementation of the seam.
// Native builds (tests only) take the standard library's default stack.
SysError StartSystemThread(Platform::ThreadMain main, void* arg, uint32_t stackBytes);

// The process-wide platform. The program installs the Win32 one at start; tests install fakes.
Platform& Os();
void SetPlatform(Platform* platform);

}  // namespace vantrel
