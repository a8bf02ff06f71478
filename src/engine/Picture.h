// TDesktopPicture: the names the monitor last knew on the desktop. It is listed once when
// monitoring starts and follows every change record read after that, also the records no batch
// acts on (a paused program, a shown window, masks, holding names, the program's own renames).
// When changes were lost, a fresh listing against the picture tells what arrived unseen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Text.h"

namespace vantrel {

// A set of lower-cased names in one open-addressed table: a name costs its string and a slot,
// nothing more.
class NameSet {
  public:
    bool Contains(const std::wstring& name) const;
    void Insert(std::wstring name);
    void Erase(const std::wstring& name);
    size_t Size() const { return count_; }
    size_t Slots() const { return slots_.size(); }  // the table's size, names and free slots
    void Reserve(size_t count);                     // room for count names without growing again

  private:
    size_t Slot(const std::wstring& name) const;  // where name is, or the empty slot it would take
    void Rehash(size_t slots);                    // the names into a table of this many slots

    std::vector<std::wstring> slots_;  // an empty string is a free slot: no item has an empty name
    size_t count_ = 0;
};

class TDesktopPicture {
  public:
    // Lists folder; the picture becomes what is there. False with the system's code.
    bool Fill(const std::wstring& folder, uint32_t& error);
    // Follows the records of a block: added and renamed-to names join, removed and renamed-from
    // names leave.
    void Apply(const char* block, size_t size);
    // Lists folder again: the picture becomes what is there, and added receives the names that it
    // did not hold, as listed (letter case kept). False with the system's code, the picture kept.
    bool Rescan(const std::wstring& folder, StringList& added, uint32_t& error);

    size_t Size() const { return names_.Size(); }

  private:
    bool List(const std::wstring& folder, NameSet& names, StringList* added, uint32_t& error) const;

    NameSet names_;
};

}  // namespace vantrel
