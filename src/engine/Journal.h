// TJournal: the moves of the last batches, so that the newest can be put back. Every completed
// move (a file by its batch, a folder by its mover) is recorded under its batch, with the name it
// had on the desktop and what the clash rule did to an item already in the target. The journal
// lives in a file beside the settings, written whole the same safe way (a temporary file, then
// replace), and survives a restart; a file that cannot be read as a journal is set aside and the
// journal starts afresh.
//
// Shared by the main window (undo) and the workers (recording): every call is thread-safe.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace vantrel {

struct JournalItem {
    bool folder = false;
    std::wstring name;       // the desktop name, letter case as the user wrote it
    std::wstring movedTo;    // the full path it was given in the target
    std::wstring asideFrom;  // an item the clash rule renamed aside: its path before ...
    std::wstring asideTo;    // ... and after
    std::wstring deleted;    // an item the clash rule deleted: its path

    bool operator==(const JournalItem&) const = default;
};

struct JournalBatch {
    uint64_t id = 0;
    std::vector<JournalItem> items;  // in the order they were moved
};

class TJournal {
  public:
    static constexpr size_t kMaxBatches = 50;
    // A journal of 50 batches of ordinary items is far below this; anything longer is not read.
    static constexpr uint64_t kMaxFileSize = 8 * 1024 * 1024;

    // Reads fileName (a full path) when it exists. A file that cannot be read as a journal is
    // renamed aside (SetAsideAs tells where) and the journal starts empty.
    explicit TJournal(std::wstring fileName);
    const std::wstring& FileName() const { return fileName_; }
    const std::wstring& SetAsideAs() const { return setAsideAs_; }

    // A new batch; it enters the journal with its first item.
    uint64_t NewBatch();
    // Records completed moves of one batch and has the file written. Beyond kMaxBatches, the
    // oldest batches leave the journal. The file is written by one thread at a time: a change made
    // while another thread writes is left to that thread, which writes again before it returns, so
    // batches never wait for each other's writes and the file ends up whole and current.
    void Record(uint64_t batch, const std::vector<JournalItem>& items);
    bool Empty() const;
    std::vector<JournalBatch> Batches() const;  // oldest first
    // Takes the newest batch out of the journal (and the file); false when there is none.
    bool TakeNewest(JournalBatch& batch);
    // Puts a batch (or what is left of it) back as the newest.
    void PutBack(JournalBatch batch);

    // Names (lower-cased) put back on the desktop: the next batch that meets one within
    // kKeepMs passes over it once, so the item stays where the user asked for it.
    static constexpr uint32_t kKeepMs = 60000;
    void Keep(const std::wstring& name);
    void Unkeep(const std::wstring& name);
    bool TakeKept(const std::wstring& name);

  private:
    void Load();
    // Has the file written (see Record); lock held, released while writing.
    void Save(std::unique_lock<std::mutex>& lock);

    mutable std::mutex mutex_;
    std::wstring fileName_, setAsideAs_;
    std::vector<JournalBatch> batches_;
    uint64_t nextId_ = 1;
    bool writing_ = false;  // a thread is writing the file
    bool changed_ = false;  // the journal changed since that thread took its copy
    struct Kept {
        std::wstring name;
        uint32_t tick;
    };
    std::vector<Kept> kept_;
};

}  // namespace vantrel
