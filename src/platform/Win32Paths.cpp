// Paths as the system takes them literally.
#include <array>
#include <mutex>
#include <string>

#include "platform/Text.h"
#include "platform/Win32Platform.h"

namespace vantrel::win32 {

namespace {

// Whether a folder's full form depends on its text alone: a path from a drive's root or a UNC
// path. Any other is read against the current directory, which may change between two calls.
bool FromARoot(const std::wstring& folder) {
    auto slash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (folder.size() >= 3 && folder[1] == L':' && slash(folder[2])) return true;
    return folder.size() >= 2 && slash(folder[0]) && slash(folder[1]);
}

// The full forms of the last few folders made full. Nearly every call names an item in the desktop
// or in the target folder, so those two are made full once rather than at every look and move.
class FullFolders {
  public:
    bool Find(const std::wstring& folder, std::wstring& full) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Entry& entry : entries_) {
            if (!entry.folder.empty() && entry.folder == folder) {
                full = entry.full;
                return true;
            }
        }
        return false;
    }
    void Keep(const std::wstring& folder, const std::wstring& full) {
        std::lock_guard<std::mutex> lock(mutex_);
        entries_[next_] = {folder, full};
        next_ = (next_ + 1) % entries_.size();
    }

  private:
    struct Entry {
        std::wstring folder, full;
    };
    std::mutex mutex_;
    std::array<Entry, 4> entries_;
    size_t next_ = 0;
};

FullFolders& Known() {
    static FullFolders known;
    return known;
}

// The folder made full (GetFullPathNameW folds "/", "." and ".."), with a trailing backslash;
// empty when the system cannot tell.
std::wstring FullFolder(const std::wstring& folder) {
    std::wstring full;
    const bool cacheable = FromARoot(folder);
    if (cacheable && Known().Find(folder, full)) return full;
    const DWORD needed = ::GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return {};
    full.assign(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(folder.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return {};
    full.resize(length);
    full = WithTrailingBackslash(std::move(full));
    if (cacheable) Known().Keep(folder, full);
    return full;
}

}  // namespace

// The path as the system takes it literally: "\\?\" before the full path, so a last name ending in
// a dot or a blank stays that name and the path may pass MAX_PATH. Such paths skip all parsing,
// so the folder part is made full first; the last name is appended as it stands.
std::wstring Literal(const std::wstring& path) {
    static const std::wstring prefix = L"\\\\?\\";
    if (path.compare(0, prefix.size(), prefix) == 0) return path;
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return path;  // a bare name: the system's business
    std::wstring full = FullFolder(path.substr(0, slash + 1));
    if (full.empty()) return path;
    full.append(path, slash + 1, std::wstring::npos);
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share
    return prefix + full;
}

}  // namespace vantrel::win32
