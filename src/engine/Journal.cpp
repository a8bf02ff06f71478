#include "engine/Journal.h"

#include <algorithm>

#include "platform/Platform.h"
#include "platform/Text.h"

namespace vantrel {

namespace {

// The file: UTF-16 LE with its byte-order mark, one line per batch and per item, fields apart by
// tabs, which no file name holds.
const std::wstring kHeader = L"Desktop Vantrel journal 1";

std::vector<std::wstring> Split(const std::wstring& line) {
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find(L'\t', start);
        fields.push_back(line.substr(start, tab == std::wstring::npos ? std::wstring::npos : tab - start));
        if (tab == std::wstring::npos) return fields;
        start = tab + 1;
    }
}

bool ParseId(const std::wstring& text, uint64_t& id) {
    if (text.empty() || text.size() > 19) return false;
    id = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        id = id * 10 + static_cast<uint64_t>(c - L'0');
    }
    return id != 0;
}

// Reads the journal's text into batches; false when it is not a journal.
bool Parse(const std::wstring& text, std::vector<JournalBatch>& batches) {
    size_t start = 0;
    bool first = true;
    while (start < text.size()) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) return false;  // every line ends with CR LF
        const std::vector<std::wstring> fields = Split(text.substr(start, end - start));
        start = end + 2;
        if (first) {
            if (fields.size() != 1 || fields[0] != kHeader) return false;
            first = false;
        } else if (fields.size() == 2 && fields[0] == L"batch") {
            JournalBatch batch;
            if (!ParseId(fields[1], batch.id) || (!batches.empty() && batch.id <= batches.back().id)) return false;
            batches.push_back(std::move(batch));
        } else if (fields.size() == 6 && (fields[0] == L"file" || fields[0] == L"folder") && !batches.empty() &&
                   !fields[1].empty() && !fields[2].empty() && fields[3].empty() == fields[4].empty()) {
            batches.back().items.push_back(
                {fields[0] == L"folder", fields[1], fields[2], fields[3], fields[4], fields[5]});
        } else {
            return false;
        }
    }
    return !first && std::none_of(batches.begin(), batches.end(), [](const auto& b) { return b.items.empty(); });
}

std::wstring Format(const std::vector<JournalBatch>& batches) {
    std::wstring text = kHeader + L"\r\n";
    for (const JournalBatch& batch : batches) {
        text += L"batch\t" + std::to_wstring(batch.id) + L"\r\n";
        for (const JournalItem& item : batch.items) {
            text += std::wstring(item.folder ? L"folder" : L"file") + L"\t" + item.name + L"\t" + item.movedTo + L"\t" +
                    item.asideFrom + L"\t" + item.asideTo + L"\t" + item.deleted + L"\r\n";
        }
    }
    return text;
}

}  // namespace

TJournal::TJournal(std::wstring fileName) : fileName_(std::move(fileName)) {
    Load();
}

void TJournal::Load() {
    std::string bytes;
    if (const SysError code = Os().ReadFile(fileName_, bytes, kMaxFileSize); code != SysError::None) {
        // Missing is the usual first start; anything else (too long, unreadable) is set aside.
        if (code == kErrorFileNotFound || code == kErrorPathNotFound) return;
    } else if (bytes.size() >= 2 && bytes.compare(0, 2, "\xFF\xFE") == 0 &&
               Parse(FromUtf16Le(bytes.substr(2)), batches_)) {
        if (!batches_.empty()) nextId_ = batches_.back().id + 1;
        return;
    }
    batches_.clear();
    const std::wstring stem = fileName_.substr(0, fileName_.rfind(L'.'));
    const std::wstring aside = stem + L" (damaged " + SignedStr(Os().TickCount()) + L").txt";
    if (Os().MoveFile(fileName_, aside) == SysError::None) setAsideAs_ = aside;
}

void TJournal::Save(std::unique_lock<std::mutex>& lock) {
    changed_ = true;
    if (writing_) return;
    writing_ = true;
    while (changed_) {
        changed_ = false;
        std::string bytes = "\xFF\xFE" + ToUtf16Le(Format(batches_));
        // Never longer than the next start reads: the oldest batches go first.
        while (bytes.size() > kMaxFileSize && batches_.size() > 1) {
            batches_.erase(batches_.begin());
            bytes = "\xFF\xFE" + ToUtf16Le(Format(batches_));
        }
        lock.unlock();
        // A journal that cannot be written stays whole in memory; the next write tries again.
        Os().ReplaceFile(fileName_, bytes);
        lock.lock();
    }
    writing_ = false;
}

uint64_t TJournal::NewBatch() {
    std::lock_guard<std::mutex> lock(mutex_);
    return nextId_++;
}

void TJournal::Record(uint64_t batch, const std::vector<JournalItem>& items) {
    if (items.empty()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    // A folder's mover ends after later batches have begun: its batch keeps its place by number.
    auto it = std::find_if(batches_.begin(), batches_.end(), [&](const auto& b) { return b.id >= batch; });
    if (it == batches_.end() || it->id != batch) {
        // A batch older than every one kept has left the journal already.
        if (batches_.size() >= kMaxBatches && it == batches_.begin()) return;
        it = batches_.insert(it, JournalBatch{batch, {}});
    }
    it->items.insert(it->items.end(), items.begin(), items.end());
    if (batches_.size() > kMaxBatches) batches_.erase(batches_.begin(), batches_.end() - kMaxBatches);
    Save(lock);
}

bool TJournal::Empty() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return batches_.empty();
}

std::vector<JournalBatch> TJournal::Batches() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return batches_;
}

bool TJournal::TakeNewest(JournalBatch& batch) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (batches_.empty()) return false;
    batch = std::move(batches_.back());
    batches_.pop_back();
    Save(lock);
    return true;
}

void TJournal::PutBack(JournalBatch batch) {
    if (batch.items.empty()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    auto it = std::find_if(batches_.begin(), batches_.end(), [&](const auto& b) { return b.id > batch.id; });
    batches_.insert(it, std::move(batch));
    Save(lock);
}

void TJournal::Keep(const std::wstring& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    kept_.push_back({name, Os().TickCount()});
}

void TJournal::Unkeep(const std::wstring& name) {
    TakeKept(name);
}

bool TJournal::TakeKept(const std::wstring& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint32_t now = Os().TickCount();
    std::erase_if(kept_, [&](const Kept& k) { return now - k.tick > kKeepMs; });
    auto it = std::find_if(kept_.begin(), kept_.end(), [&](const Kept& k) { return k.name == name; });
    if (it == kept_.end()) return false;
    kept_.erase(it);
    return true;
}

}  // namespace vantrel
