#include "engine/ChangeRecords.h"

#include "platform/Platform.h"
#include "platform/Text.h"

namespace vantrel {

namespace {

void PutU32(std::vector<char>& block, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        block[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

// Records are read byte by byte: Wine does not always pad them to 4-byte boundaries.
uint32_t ChangeRecords::U32(size_t at) const {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(static_cast<uint8_t>(data_[at + i])) << (8 * i);
    return value;
}

std::wstring ChangeRecords::Name(size_t at) const {
    std::wstring name = RawName(at);
    Os().LowerCase(name);
    return name;
}

std::wstring ChangeRecords::RawName(size_t at) const {
    size_t length = U32(at + 8);
    const size_t available = size_ - at - kHeader;
    if (length > available) length = available;
    length -= length % 2;
    return FromUtf16Le(std::string(data_ + at + kHeader, length));
}

void RecordWriter::Add(uint32_t action, const std::wstring& name) {
    const std::string bytes = ToUtf16Le(name);
    const size_t start = (block_.size() + 3) & ~size_t{3};
    if (last_ != SIZE_MAX) PutU32(block_, last_, static_cast<uint32_t>(start - last_));
    block_.resize(start + 12);
    PutU32(block_, start, 0);
    PutU32(block_, start + 4, action);
    PutU32(block_, start + 8, static_cast<uint32_t>(bytes.size()));
    block_.insert(block_.end(), bytes.begin(), bytes.end());
    last_ = start;
}

}  // namespace vantrel
