// The records of a change-notification block (FILE_NOTIFY_INFORMATION, one after another), read
// and written in one place: the monitor keeps its picture of the desktop from them, the batch
// finds new items in them, and a rescan writes the block of "added" records it hands to a batch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vantrel {

constexpr uint32_t kFileActionAdded = 1;
constexpr uint32_t kFileActionRemoved = 2;
constexpr uint32_t kFileActionRenamedOldName = 4;
constexpr uint32_t kFileActionRenamedNewName = 5;

// A block of records. The walk ends at the record whose NextEntryOffset is 0; the size only guards
// against a damaged block.
class ChangeRecords {
  public:
    ChangeRecords(const char* data, size_t size) : data_(data), size_(size) {}

    // Calls visit(action, at) for every record, at being the record's offset for Name.
    template <class Visit>
    void Walk(Visit visit) const {
        size_t at = 0;
        while (size_ - at >= kHeader) {
            const uint32_t next = U32(at);
            visit(U32(at + 4), at);
            if (next == 0 || next > size_ - at) break;
            at += next;
        }
    }

    // The name of the record at at as the system gave it; a length past the block's end is cut at
    // the end. Name lower-cases it.
    std::wstring RawName(size_t at) const;
    std::wstring Name(size_t at) const;

  private:
    static constexpr size_t kHeader = 12;  // NextEntryOffset, Action, FileNameLength
    uint32_t U32(size_t at) const;

    const char* data_;
    size_t size_;
};

// Writes a block of records, each starting on a 4-byte boundary as the system lays them out.
class RecordWriter {
  public:
    void Add(uint32_t action, const std::wstring& name);
    std::vector<char> Take() { return std::move(block_); }

  private:
    std::vector<char> block_;
    size_t last_ = SIZE_MAX;  // offset of the record whose NextEntryOffset the next Add sets
};

}  // namespace vantrel
