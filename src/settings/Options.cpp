#include "settings/Options.h"

#include <exception>
#include <mutex>
#include <vector>

#include "platform/Platform.h"
#include "platform/Text.h"
#include "settings/SettingsFile.h"

namespace vantrel {

namespace {

// A shell folder with a trailing backslash, or empty when the shell does not know it.
std::wstring ShellFolder(SpecialFolder id) {
    std::wstring path;
    if (!Os().GetSpecialFolder(id, path)) return {};
    TrimBuffer(path);
    if (path.empty()) return {};
    return WithTrailingBackslash(path);
}

}  // namespace

void TrimBuffer(std::wstring& buffer) {
    auto nul = buffer.find(L'\0');
    if (nul != std::wstring::npos) buffer.resize(nul);
    while (!buffer.empty() && static_cast<uint32_t>(buffer.back()) <= 0x20)
        buffer.pop_back();
}

bool ForceDirectories(const std::wstring& folder) {
    std::wstring dir = folder;
    while (!dir.empty() && dir.back() == L'\\')
        dir.pop_back();
    if (dir.empty()) return Os().DirectoryExists(folder);
    // Walk up to the first folder that exists, then create the missing ones top down.
    std::vector<std::wstring> missing;
    for (std::wstring d = dir; !d.empty() && !Os().DirectoryExists(d);) {
        missing.push_back(d);
        auto slash = d.rfind(L'\\');
        if (slash == std::wstring::npos) break;
        d.resize(slash);
        if (d.size() == 2 && d[1] == L':') break;  // a drive root is not created
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
        Os().CreateDirectory(*it);
    return Os().DirectoryExists(dir);
}

namespace {

// Every persisted field is read and written under the object's reader/writer lock, so a worker
// thread takes a whole value, never one half-way through a change.
template <class T>
T Get(std::shared_mutex& lock, const Settings& s, T Settings::*field) {
    std::shared_lock<std::shared_mutex> read(lock);
    return s.*field;
}

template <class T>
void Put(std::shared_mutex& lock, Settings& s, T Settings::*field, const T& value) {
    std::unique_lock<std::shared_mutex> write(lock);
    s.*field = value;
}

}  // namespace

TOptions::TOptions() {
    tempFolder_ = Os().TempPath();
    TrimBuffer(tempFolder_);
    if (!Os().DirectoryExists(tempFolder_)) ForceDirectories(tempFolder_);

    // Without an application-data folder the settings live under the temporary-files folder.
    dataFolder_ = ShellFolder(SpecialFolder::LocalAppData);
    if (dataFolder_.empty()) dataFolder_ = tempFolder_;

    if (Os().FileExists(SettingsFileName())) {
        Load();
    } else {
        SetDefaults();
        Save();
    }

    // Without a desktop directory there is nothing of the user's to watch: a folder of our own
    // under the temporary-files folder keeps the monitor working.
    desktopFolder_ = ShellFolder(SpecialFolder::DesktopDirectory);
    if (desktopFolder_.empty()) {
        desktopFolder_ = tempFolder_ + L"Desktop\\";
        ForceDirectories(desktopFolder_);
    }

    Paused = false;
    logger_ = std::make_unique<TLogger>();
    logger_->SetFileName(dataFolder_ + L"Vantrel\\Log.txt");
    logger_->Open();

    std::wstring destination = DestinationFolder();
    if (!Os().DirectoryExists(destination)) ForceDirectories(destination);
}

TOptions::~TOptions() = default;

void TOptions::SetDefaults() {
    Os().CreateDirectory(dataFolder_ + L"Vantrel");
    documentsFolder_ = ShellFolder(SpecialFolder::Documents);
    std::wstring destination = documentsFolder_.empty() ? tempFolder_ : documentsFolder_ + L"Vantrel\\";
    if (!Os().DirectoryExists(destination)) Os().CreateDirectory(destination);
    Assign(DefaultSettings(destination));
}

void TOptions::Load() {
    // The defaults are worked out here without storing DocumentsFolder: it stays empty when
    // the settings came from the file.
    std::wstring documents = ShellFolder(SpecialFolder::Documents);
    std::wstring defaultDestination = documents.empty() ? tempFolder_ : documents + L"Vantrel\\";
    try {
        std::string bytes;
        bool read = false;
        for (int attempt = 1; attempt <= kSettingsReadAttempts; ++attempt) {
            const SysError error = Os().ReadFile(SettingsFileName(), bytes, kMaxSettingsFileSize);
            read = error == SysError::None;
            if (read) break;
            // Gone since it was found: nothing of the user's to keep, as at the first start.
            if (error == kErrorFileNotFound || error == kErrorPathNotFound) break;
            // Another program holding it lets go soon; an oversized file stays oversized.
            if (error == kErrorFileTooLarge || attempt == kSettingsReadAttempts) {
                settingsFileKept_ = true;
                break;
            }
            Os().Sleep(kSettingsReadRetryMs);
        }
        if (!read) bytes.clear();
        Assign(SettingsFromBytes(bytes, defaultDestination));
    } catch (const std::exception&) {
        // Too much to take in (an allocation failed): the defaults, and the file is left alone.
        settingsFileKept_ = true;
        Assign(DefaultSettings(defaultDestination));
    }
}

bool TOptions::Save() {
    if (settingsFileKept_) return false;
    // Written beside the old file and swapped in, so a failure never costs the user the settings.
    return Os().ReplaceFile(SettingsFileName(), SettingsToBytes(Snapshot())) == SysError::None;
}

std::wstring TOptions::DataFolder() const {
    return dataFolder_;
}
std::wstring TOptions::TempFolder() const {
    return tempFolder_;
}
std::wstring TOptions::DesktopFolder() const {
    return desktopFolder_;
}
std::wstring TOptions::DocumentsFolder() const {
    return documentsFolder_;
}

std::wstring TOptions::DestinationFolder() const {
    return Get(lock_, s_, &Settings::DestinationFolder);
}

StringList TOptions::AlternateFolders() const {
    return Get(lock_, s_, &Settings::AlternateFolders);
}

StringList TOptions::ExcludedExt() const {
    return Get(lock_, s_, &Settings::ExcludedExt);
}

StringList TOptions::ExcludedFiles() const {
    return Get(lock_, s_, &Settings::ExcludedFiles);
}

bool TOptions::QuickNote() const {
    return Get(lock_, s_, &Settings::QuickNote);
}

bool TOptions::SaveNoteFiles() const {
    return Get(lock_, s_, &Settings::SaveNoteFiles);
}

bool TOptions::MoveFolder() const {
    return Get(lock_, s_, &Settings::MoveFolder);
}

int32_t TOptions::MoveFolderDelay() const {
    return Get(lock_, s_, &Settings::MoveFolderDelay);
}

bool TOptions::RenameFile() const {
    return Get(lock_, s_, &Settings::RenameFile);
}

bool TOptions::RenameFolder() const {
    return Get(lock_, s_, &Settings::RenameFolder);
}

bool TOptions::MoveRenamed() const {
    return Get(lock_, s_, &Settings::MoveRenamed);
}

bool TOptions::ShowIcon() const {
    return Get(lock_, s_, &Settings::ShowIcon);
}

bool TOptions::TryToMove() const {
    return Get(lock_, s_, &Settings::TryToMove);
}

int32_t TOptions::TryCount() const {
    return Get(lock_, s_, &Settings::TryCount);
}

Settings TOptions::Snapshot() const {
    std::shared_lock<std::shared_mutex> read(lock_);
    return s_;
}

void TOptions::SetDestinationFolder(const std::wstring& folder) {
    Put(lock_, s_, &Settings::DestinationFolder, folder);
}

void TOptions::SetAlternateFolders(const StringList& folders) {
    Put(lock_, s_, &Settings::AlternateFolders, folders);
}

void TOptions::SetExcludedExt(const StringList& masks) {
    Put(lock_, s_, &Settings::ExcludedExt, masks);
}

void TOptions::SetExcludedFiles(const StringList& masks) {
    Put(lock_, s_, &Settings::ExcludedFiles, masks);
}

void TOptions::SetQuickNote(bool value) {
    Put(lock_, s_, &Settings::QuickNote, value);
}

void TOptions::SetSaveNoteFiles(bool value) {
    Put(lock_, s_, &Settings::SaveNoteFiles, value);
}

void TOptions::SetMoveFolder(bool value) {
    Put(lock_, s_, &Settings::MoveFolder, value);
}

void TOptions::SetMoveFolderDelay(int32_t ms) {
    Put(lock_, s_, &Settings::MoveFolderDelay, ms);
}

void TOptions::SetRenameFile(bool value) {
    Put(lock_, s_, &Settings::RenameFile, value);
}

void TOptions::SetRenameFolder(bool value) {
    Put(lock_, s_, &Settings::RenameFolder, value);
}

void TOptions::SetMoveRenamed(bool value) {
    Put(lock_, s_, &Settings::MoveRenamed, value);
}

void TOptions::SetShowIcon(bool value) {
    Put(lock_, s_, &Settings::ShowIcon, value);
}

void TOptions::SetTryToMove(bool value) {
    Put(lock_, s_, &Settings::TryToMove, value);
}

void TOptions::SetTryCount(int32_t value) {
    Put(lock_, s_, &Settings::TryCount, value);
}

void TOptions::Assign(const Settings& settings) {
    std::unique_lock<std::shared_mutex> write(lock_);
    s_ = settings;
}

}  // namespace vantrel
