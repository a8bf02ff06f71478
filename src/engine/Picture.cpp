#include "engine/Picture.h"

#include <functional>
#include <utility>

#include "engine/ChangeRecords.h"
#include "platform/Platform.h"

namespace vantrel {

// --- NameSet: linear probing, at most half full, erasing by shifting the run back; a table left
// less than an eighth full (a burst of items came and went) is made smaller again ---

namespace {

// The fewest slots a table has.
constexpr size_t kFewestSlots = 16;

// Empties a slot and gives back what its name held.
void Free(std::wstring& slot) {
    std::wstring().swap(slot);
}

}  // namespace

size_t NameSet::Slot(const std::wstring& name) const {
    const size_t mask = slots_.size() - 1;
    size_t i = std::hash<std::wstring>{}(name)&mask;
    while (!slots_[i].empty() && slots_[i] != name)
        i = (i + 1) & mask;
    return i;
}

bool NameSet::Contains(const std::wstring& name) const {
    return !slots_.empty() && !name.empty() && !slots_[Slot(name)].empty();
}

void NameSet::Reserve(size_t count) {
    size_t slots = kFewestSlots;
    while (slots < 2 * count)
        slots *= 2;
    if (slots > slots_.size()) Rehash(slots);
}

void NameSet::Rehash(size_t slots) {
    std::vector<std::wstring> old(slots);
    old.swap(slots_);
    for (std::wstring& name : old)
        if (!name.empty()) slots_[Slot(name)] = std::move(name);
}

void NameSet::Insert(std::wstring name) {
    if (name.empty()) return;
    Reserve(count_ + 1);
    std::wstring& slot = slots_[Slot(name)];
    if (!slot.empty()) return;
    slot = std::move(name);
    ++count_;
}

void NameSet::Erase(const std::wstring& name) {
    if (!Contains(name)) return;
    const size_t mask = slots_.size() - 1;
    size_t hole = Slot(name);
    Free(slots_[hole]);
    --count_;
    // A name further along the run moves into the hole unless its home lies between the hole and it.
    for (size_t i = (hole + 1) & mask; !slots_[i].empty(); i = (i + 1) & mask) {
        const size_t home = std::hash<std::wstring>{}(slots_[i]) & mask;
        if (((i - home) & mask) >= ((i - hole) & mask)) {
            slots_[hole].swap(slots_[i]);
            hole = i;
        }
    }
    if (slots_.size() > kFewestSlots && count_ < slots_.size() / 8) {
        size_t slots = kFewestSlots;
        while (slots < 2 * count_)
            slots *= 2;
        Rehash(slots);
    }
}

// --- TDesktopPicture ---

bool TDesktopPicture::Fill(const std::wstring& folder, uint32_t& error) {
    NameSet names;
    if (!List(folder, names, nullptr, error)) return false;
    names_ = std::move(names);
    return true;
}

bool TDesktopPicture::Rescan(const std::wstring& folder, StringList& added, uint32_t& error) {
    NameSet names;
    added.clear();
    if (!List(folder, names, &added, error)) return false;
    names_ = std::move(names);
    return true;
}

bool TDesktopPicture::List(const std::wstring& folder, NameSet& names, StringList* added, uint32_t& error) const {
    std::vector<ItemInfo> items;
    if (const SysError code = Os().ListFolder(folder, L"*", items); code != SysError::None) {
        error = Number(code);
        return false;
    }
    names.Reserve(items.size());
    for (ItemInfo& item : items) {
        std::wstring lowered = item.name;
        Os().LowerCase(lowered);
        if (added && !names_.Contains(lowered)) added->push_back(std::move(item.name));
        names.Insert(std::move(lowered));
    }
    return true;
}

void TDesktopPicture::Apply(const char* block, size_t size) {
    const ChangeRecords records(block, size);
    records.Walk([&](uint32_t action, size_t at) {
        if (action == kFileActionAdded || action == kFileActionRenamedNewName)
            names_.Insert(records.Name(at));
        else if (action == kFileActionRemoved || action == kFileActionRenamedOldName)
            names_.Erase(records.Name(at));
    });
}

}  // namespace vantrel
