// TOptions: every setting of the program, its working folders, the pause flag and the log.
//
// One instance, AppOptions, is written on the main thread and read by the worker threads at
// the moment of use. Every read is safe against a concurrent write: getters return values
// (a whole string, a whole copy of a list) taken under a reader/writer lock, so a worker sees
// a list or a folder either before or after a change, never half-way. Paused is atomic.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <string>

#include "log/Log.h"
#include "platform/Text.h"

namespace vantrel {

// The persisted settings, as one value: what the settings file holds.
struct Settings {
    std::wstring DestinationFolder;
    StringList AlternateFolders;
    StringList ExcludedExt;
    StringList ExcludedFiles;
    bool QuickNote = false;
    bool SaveNoteFiles = false;
    bool MoveFolder = false;
    int32_t MoveFolderDelay = 2000;
    bool RenameFile = true;
    bool RenameFolder = true;
    bool MoveRenamed = false;
    bool ShowIcon = true;
    bool TryToMove = false;
    int32_t TryCount = 0;

    bool operator==(const Settings&) const = default;
};

// The defaults' fixed parts (DestinationFolder is worked out from the folders).
StringList DefaultExcludedExt();
StringList DefaultExcludedFiles();

class TOptions {
  public:
    // Works out the folders, loads the settings file or applies and writes the defaults,
    // opens the log. Uses the installed platform (Os()).
    TOptions();
    ~TOptions();
    TOptions(const TOptions&) = delete;
    TOptions& operator=(const TOptions&) = delete;

    // Writes the settings file from the fields; false when it could not be written, and
    // always false while SettingsFileKept().
    bool Save();
    // The settings file was there at start but could not be read (held by another program,
    // over kMaxSettingsFileSize, or too much to take in): the program runs on the defaults and
    // never writes over the user's file in this run.
    bool SettingsFileKept() const { return settingsFileKept_; }

    // --- working folders (fixed after construction; each ends with a backslash) ---
    std::wstring DataFolder() const;
    std::wstring TempFolder() const;
    std::wstring DesktopFolder() const;
    std::wstring DocumentsFolder() const;  // empty unless the defaults were applied
    std::wstring SettingsFileName() const { return DataFolder() + L"Vantrel\\Settings.xml"; }

    // --- persisted settings: read at the moment of use, from any thread ---
    std::wstring DestinationFolder() const;
    StringList AlternateFolders() const;
    StringList ExcludedExt() const;
    StringList ExcludedFiles() const;
    bool QuickNote() const;
    bool SaveNoteFiles() const;
    bool MoveFolder() const;
    int32_t MoveFolderDelay() const;
    bool RenameFile() const;
    bool RenameFolder() const;
    bool MoveRenamed() const;
    bool ShowIcon() const;
    bool TryToMove() const;
    int32_t TryCount() const;
    Settings Snapshot() const;  // all of them at one moment

    // --- writers: main thread only ---
    void SetDestinationFolder(const std::wstring& folder);
    void SetAlternateFolders(const StringList& folders);
    void SetExcludedExt(const StringList& masks);
    void SetExcludedFiles(const StringList& masks);
    void SetQuickNote(bool value);
    void SetSaveNoteFiles(bool value);
    void SetMoveFolder(bool value);
    void SetMoveFolderDelay(int32_t ms);
    void SetRenameFile(bool value);
    void SetRenameFolder(bool value);
    void SetMoveRenamed(bool value);
    void SetShowIcon(bool value);
    void SetTryToMove(bool value);
    void SetTryCount(int32_t value);
    void Assign(const Settings& settings);  // every persisted field at once

    // Monitoring is paused: change notifications are discarded. Never saved.
    std::atomic<bool> Paused{false};

    // The activity log, owned.
    TLogger* Logger() const { return logger_.get(); }

  private:
    void SetDefaults();
    void Load();

    mutable std::shared_mutex lock_;
    std::wstring dataFolder_, tempFolder_, desktopFolder_, documentsFolder_;
    Settings s_;
    std::unique_ptr<TLogger> logger_;
    bool settingsFileKept_ = false;
};

// Real settings files are a few KiB; anything longer is not the program's and is not read.
constexpr uint64_t kMaxSettingsFileSize = 1024 * 1024;
// A settings file that another program holds is tried this many times, this far apart.
constexpr int kSettingsReadAttempts = 5;
constexpr uint32_t kSettingsReadRetryMs = 200;

// Cuts a buffer that a system call filled at its terminating NUL and drops trailing
// characters up to U+0020. A trailing backslash stays.
void TrimBuffer(std::wstring& buffer);

// Creates a folder together with any missing parents; false when it does not exist afterwards.
bool ForceDirectories(const std::wstring& folder);

}  // namespace vantrel
