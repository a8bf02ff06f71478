#include "log/Log.h"

#include "platform/Text.h"

namespace vantrel {

namespace {

std::wstring Entry(const std::wstring& text) {
    return Os().TimeStamp() + L"-> " + text + L"\r\n";
}

bool Append(OpenFile& stream, const std::wstring& entry) {
    std::string bytes = ToUtf16Le(entry);
    return stream.Append(bytes.data(), bytes.size()) == SysError::None;
}

}  // namespace

// Lock order, everywhere: lock_ before append_. append_ alone guards the stream, the file name
// and the lock flag, so an entry is never split by another, never reaches a stream that Close
// has released, and comes after every entry its thread wrote before.

TLogger::TLogger() {
    std::wstring name;
    userName_ = Os().UserName(name) == SysError::None ? name : L"Unknown user";
}

TLogger::~TLogger() = default;

void TLogger::SetFileName(const std::wstring& path) {
    if (path == LogFileName()) return;
    Close();
    std::lock_guard<std::mutex> guard(append_);
    logFileName_ = path;
}

void TLogger::Open() {
    std::lock_guard<std::mutex> guard(append_);
    if (logFileName_.empty() || stream_) return;
    Os().OpenLogFile(logFileName_, stream_);
    // The user name stays Unicode: the file is UTF-16.
    if (!stream_ || !Append(*stream_, Entry(L"Log started by: " + userName_))) {
        stream_.reset();
        logFileName_.clear();
    }
}

void TLogger::Close() {
    std::unique_lock<std::shared_mutex> writer(lock_);
    std::lock_guard<std::mutex> guard(append_);
    if (!stream_) return;
    Append(*stream_, Entry(L"Log stopped\r\n==============================="));
    stream_.reset();
}

void TLogger::AddLine(const std::wstring& text) {
    std::wstring entry = Entry(text);
    if (UseLock()) {
        std::unique_lock<std::shared_mutex> writer(lock_);
        Write(entry);
    } else {
        Write(entry);
    }
}

void TLogger::Write(const std::wstring& entry) {
    std::lock_guard<std::mutex> guard(append_);
    if (stream_) Append(*stream_, entry);  // a lost entry is not reported
}

std::wstring TLogger::ReadAll() {
    std::shared_lock<std::shared_mutex> reader(lock_, std::defer_lock);
    if (UseLock()) reader.lock();
    std::lock_guard<std::mutex> guard(append_);
    if (!stream_) return L"Log not opened";
    std::string bytes;
    if (const SysError code = stream_->ReadAll(bytes); code != SysError::None)
        throw TLogFileError("The log file could not be read.", Number(code));
    return FromUtf16Le(bytes);
}

void TLogger::Clear() {
    {
        std::unique_lock<std::shared_mutex> writer(lock_, std::defer_lock);
        if (UseLock()) writer.lock();
        std::lock_guard<std::mutex> guard(append_);
        if (!stream_) return;
        if (const SysError code = stream_->Truncate(); code != SysError::None)
            throw TLogFileError("The log file could not be emptied.", Number(code));
    }
    AddLine(L"Log cleared by: " + userName_);
}

void TLogger::SetUseLock(bool value) {
    if (value == UseLock()) return;
    std::unique_lock<std::shared_mutex> writer(lock_);
    std::lock_guard<std::mutex> guard(append_);
    useLock_ = value;
}

std::wstring TLogger::LogFileName() const {
    std::lock_guard<std::mutex> guard(append_);
    return logFileName_;
}

bool TLogger::UseLock() const {
    std::lock_guard<std::mutex> guard(append_);
    return useLock_;
}

bool TLogger::IsOpen() const {
    std::lock_guard<std::mutex> guard(append_);
    return stream_ != nullptr;
}

}  // namespace vantrel
