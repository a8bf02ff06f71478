// TLogger: the activity log, Log.txt in the settings folder.
//
// UTF-16 LE without BOM, CR LF line ends. Each entry is the stamp, "-> ", the text and
// CR LF, written in one write at the end of the file. AddLine may be called from any
// thread at any time: appends are always serialised (entries reach the file whole and in
// order), and none is written after Close. UseLock additionally keeps ReadAll and Clear
// apart from appends while the main window is shown.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <stdexcept>
#include <string>

#include "platform/Platform.h"

namespace vantrel {

// A read or truncation of the open log file failed; Code() is the system's error code.
class TLogFileError : public std::runtime_error {
  public:
    TLogFileError(const char* what, uint32_t code) : std::runtime_error(what), code_(code) {}
    uint32_t Code() const { return code_; }

  private:
    uint32_t code_;
};

class TLogger {
  public:
    TLogger();  // UserName from the platform, or "Unknown user"
    ~TLogger();
    TLogger(const TLogger&) = delete;
    TLogger& operator=(const TLogger&) = delete;

    // Closes the log and stores path when path differs from LogFileName (case-sensitive).
    void SetFileName(const std::wstring& path);
    // Opens or creates LogFileName and writes "Log started by: " + UserName.
    // On failure the log stays closed and LogFileName becomes empty.
    void Open();
    // Writes "Log stopped" and the separator line, then closes. Does nothing when closed.
    void Close();
    // Appends one stamped entry. Any thread.
    void AddLine(const std::wstring& text);
    // The whole file, or "Log not opened" while closed. Throws TLogFileError when the file
    // cannot be read.
    std::wstring ReadAll();
    // Empties the file and writes "Log cleared by: " + UserName. Does nothing when closed.
    // Throws TLogFileError when the file cannot be emptied; it is then left as it was.
    void Clear();
    void SetUseLock(bool value);

    std::wstring LogFileName() const;
    std::wstring UserName() const { return userName_; }
    bool UseLock() const;
    bool IsOpen() const;

  private:
    void Write(const std::wstring& entry);  // one write of a whole composed entry

    std::wstring userName_;
    mutable std::shared_mutex lock_;  // the reader/writer lock: ReadAll (reader), Clear, Close (writer)
    mutable std::mutex append_;       // serialises every write and guards the stream and the fields
    std::wstring logFileName_;
    std::unique_ptr<OpenFile> stream_;
    bool useLock_ = false;
};

}  // namespace vantrel
