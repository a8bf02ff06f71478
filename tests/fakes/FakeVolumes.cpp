// The fake's volumes and the calls a move between them is made of: items with their stored names
// and times, files opened to be moved, new files for copies, and volumes that fill up.
#include <algorithm>

#include "fakes/FakePlatform.h"

namespace vantrel::fake {

namespace {
constexpr SysError kErrorDirNotEmpty{145};
constexpr SysError kErrorDirectoryName{267};
}  // namespace

// --- nodes and volumes ----------------------------------------------------------------

std::wstring FakePlatform::LastName(const std::wstring& path) {
    std::wstring trimmed = path;
    while (trimmed.size() > 3 && (trimmed.back() == L'\\' || trimmed.back() == L'/'))
        trimmed.pop_back();
    const size_t slash = trimmed.find_last_of(L"\\/");
    return slash == std::wstring::npos ? trimmed : trimmed.substr(slash + 1);
}

FakePlatform::Node& FakePlatform::Made(const std::wstring& key, const std::wstring& path, bool dir) {
    Node& node = nodes_[key];
    node = Node{};
    node.dir = dir;
    node.name = LastName(path);
    node.id = nextId_++;
    node.lastWrite = node.created = node.lastAccess = node.id;
    return node;
}

std::map<std::wstring, FakePlatform::Node>::iterator FakePlatform::ById(uint64_t id) {
    return std::find_if(nodes_.begin(), nodes_.end(), [id](const auto& entry) { return entry.second.id == id; });
}

std::wstring FakePlatform::VolumeKey(const std::wstring& key) const {
    std::wstring best = key.substr(0, 2);  // the drive
    for (const auto& [root, capacity] : volumes_)
        if (root.size() > best.size() && key.compare(0, root.size(), root) == 0 &&
            (key.size() == root.size() || key[root.size()] == L'\\'))
            best = root;
    return best;
}

uint64_t FakePlatform::Room(const std::wstring& key) const {
    const std::wstring volume = VolumeKey(key);
    auto it = volumes_.find(volume);
    if (it == volumes_.end()) return UINT64_MAX;
    uint64_t used = 0;
    for (const auto& [k, node] : nodes_)
        if (VolumeKey(k) == volume) used += node.content.size();
    return used >= it->second ? 0 : it->second - used;
}

ItemInfo FakePlatform::Info(const Node& node) const {
    ItemInfo info;
    info.name = node.name;
    info.attributes = node.attributes | (node.dir ? kAttributeDirectory : 0);
    info.size = node.dir ? 0 : node.content.size();
    info.created = node.created;
    info.lastAccess = node.lastAccess;
    info.lastWrite = node.lastWrite;
    return info;
}

void FakePlatform::AddVolume(const std::wstring& root, uint64_t capacity) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::wstring key = Key(root);
    while (!key.empty() && key.back() == L'\\')
        key.pop_back();
    volumes_[key] = capacity;
}

void FakePlatform::Write(const std::wstring& path, uint64_t untilMs) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    nodes_[Key(path)].writerUntil = untilMs;
}

void FakePlatform::SetAttributes(const std::wstring& path, uint32_t attributes) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    nodes_[Key(path)].attributes = attributes & ~kAttributeDirectory;
}

int FakePlatform::openHandles() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return openHandles_;
}

// --- handles --------------------------------------------------------------------------

// What both kinds of handle share: a handle follows its file through renames, and a deletion
// asked for through it happens when it closes, as the system does it.
class FakePlatform::FakeHandle {
  public:
    FakeHandle(FakePlatform& os, uint64_t id) : os_(os), id_(id) { ++os_.openHandles_; }
    FakeHandle(const FakeHandle&) = delete;
    FakeHandle& operator=(const FakeHandle&) = delete;
    ~FakeHandle() {
        std::lock_guard<std::recursive_mutex> lock(os_.mutex_);
        --os_.openHandles_;
        auto it = os_.ById(id_);
        if (!deleting_ || it == os_.nodes_.end()) return;
        const std::wstring key = it->first;
        os_.nodes_.erase(it);
        os_.Touched(key);
    }
    // The file's node, or why there is none: it is gone, or a failure of call was asked for
    // (none for Stat, which cannot be made to fail).
    SysError Find(const Fault* call, Node*& node, std::wstring* key = nullptr) {
        auto it = os_.ById(id_);
        SysError code = kErrorFileNotFound;
        if (it == os_.nodes_.end() || (call && os_.Failing(*call, it->first, code))) return code;
        if (key) *key = it->first;
        node = &it->second;
        return SysError::None;
    }
    SysError Delete(Fault call) {
        std::lock_guard<std::recursive_mutex> lock(os_.mutex_);
        Node* node = nullptr;
        if (const SysError code = Find(&call, node); code != SysError::None) return code;
        deleting_ = true;
        return SysError::None;
    }
    FakePlatform& os_;

  private:
    uint64_t id_;
    bool deleting_ = false;
};

class FakePlatform::FakeSource final : public SourceFile {
  public:
    FakeSource(FakePlatform& os, uint64_t id) : handle_(os, id) {}
    SysError Stat(ItemInfo& info) override {
        std::lock_guard<std::recursive_mutex> lock(handle_.os_.mutex_);
        Node* node = nullptr;
        if (const SysError code = handle_.Find(nullptr, node); code != SysError::None) return code;
        info = handle_.os_.Info(*node);
        info.name.clear();
        return SysError::None;
    }
    SysError Read(void* buffer, uint32_t size, uint32_t& got) override {
        got = 0;
        std::lock_guard<std::recursive_mutex> lock(handle_.os_.mutex_);
        const Fault call = Fault::Read;
        Node* node = nullptr;
        if (const SysError code = handle_.Find(&call, node); code != SysError::None) return code;
        if (position_ < node->content.size()) {
            got = static_cast<uint32_t>(std::min<size_t>(size, node->content.size() - position_));
            std::copy_n(node->content.data() + position_, got, static_cast<char*>(buffer));
            position_ += got;
        }
        // The action may be another program writing the file while it is copied.
        if (got > 0) RunOnce(handle_.os_.afterCalls_, Operation::Read);
        return SysError::None;
    }
    SysError Delete() override { return handle_.Delete(Fault::DeleteThrough); }

  private:
    FakeHandle handle_;
    size_t position_ = 0;
};

class FakePlatform::FakeNew final : public NewFile {
  public:
    FakeNew(FakePlatform& os, uint64_t id) : handle_(os, id) {}
    SysError Write(const void* data, uint32_t size) override {
        std::lock_guard<std::recursive_mutex> lock(handle_.os_.mutex_);
        std::wstring key;
        const Fault call = Fault::Write;
        Node* node = nullptr;
        if (const SysError code = handle_.Find(&call, node, &key); code != SysError::None) return code;
        // What fits is written, as on a full disk.
        const size_t fits = static_cast<size_t>(std::min<uint64_t>(handle_.os_.Room(key), size));
        node->content.append(static_cast<const char*>(data), fits);
        return fits == size ? SysError::None : kErrorDiskFull;
    }
    SysError Finish(const ItemInfo& like, uint64_t& size) override {
        std::lock_guard<std::recursive_mutex> lock(handle_.os_.mutex_);
        const Fault call = Fault::Finish;
        Node* node = nullptr;
        if (const SysError code = handle_.Find(&call, node); code != SysError::None) return code;
        size = node->content.size();
        node->attributes = like.attributes & ~kAttributeDirectory;
        node->created = like.created;
        node->lastAccess = like.lastAccess;
        node->lastWrite = like.lastWrite;
        return SysError::None;
    }
    SysError Discard() override { return handle_.Delete(Fault::DeleteThrough); }

  private:
    FakeHandle handle_;
};

// --- Platform -------------------------------------------------------------------------

SysError FakePlatform::RemoveFolder(const std::wstring& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const std::wstring key = Key(path);
    auto it = nodes_.find(key);
    SysError code = SysError::None;
    if (Failing(Fault::RemoveFolder, path, code)) {
    } else if (it == nodes_.end()) {
        code = kErrorFileNotFound;
    } else if (!it->second.dir) {
        code = kErrorDirectoryName;
    } else if (std::any_of(nodes_.begin(), nodes_.end(), [&](const auto& e) { return Parent(e.first) == key; })) {
        code = kErrorDirNotEmpty;
    }
    Record(L"RemoveFolder", path, {}, code == SysError::None);
    if (code != SysError::None) return code;
    nodes_.erase(it);
    Touched(key);
    return SysError::None;
}

SysError FakePlatform::GetAttributes(const std::wstring& path, uint32_t& attributes) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto it = nodes_.find(Key(path));
    if (it == nodes_.end()) return HasParent(Key(path)) ? kErrorFileNotFound : kErrorPathNotFound;
    attributes = Info(it->second).attributes;
    return SysError::None;
}

SysError FakePlatform::FindItem(const std::wstring& path, ItemInfo& info) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto it = nodes_.find(Key(path));
    if (it == nodes_.end()) return HasParent(Key(path)) ? kErrorFileNotFound : kErrorPathNotFound;
    info = Info(it->second);
    return SysError::None;
}

SysError FakePlatform::ListFolder(const std::wstring& folder,
                                  const std::wstring& pattern,
                                  std::vector<ItemInfo>& items) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const std::wstring key = Key(folder);
    auto it = nodes_.find(key);
    if (it == nodes_.end() || !it->second.dir) return it == nodes_.end() ? kErrorPathNotFound : kErrorDirectoryName;
    items.clear();
    const std::wstring start = Key(pattern.substr(0, pattern.find(L'*')));  // "*" or a beginning and "*"
    for (const auto& [k, node] : nodes_)
        if (Parent(k) == key && k.compare(key.size() + 1, start.size(), start) == 0) items.push_back(Info(node));
    return SysError::None;
}

SysError FakePlatform::OpenToMove(const std::wstring& path, std::unique_ptr<SourceFile>& file) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto it = nodes_.find(Key(path));
    SysError code = SysError::None;
    if (Failing(Fault::OpenToMove, path, code)) {
    } else if (it == nodes_.end()) {
        code = HasParent(Key(path)) ? kErrorFileNotFound : kErrorPathNotFound;
    } else if (it->second.dir) {
        code = kErrorAccessDenied;
    } else if (it->second.lockedUntil > now_ || it->second.writerUntil > now_) {
        code = kErrorSharingViolation;
    }
    Record(L"OpenToMove", path, {}, code == SysError::None);
    if (code != SysError::None) return code;
    file = std::make_unique<FakeSource>(*this, it->second.id);
    return SysError::None;
}

SysError FakePlatform::CreateNew(const std::wstring& path, std::unique_ptr<NewFile>& file) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const std::wstring key = Key(path);
    SysError code = SysError::None;
    if (Failing(Fault::CreateNew, path, code)) {
    } else if (nodes_.count(key)) {
        code = kErrorFileExists;
    } else if (!HasParent(key)) {
        code = kErrorPathNotFound;
    }
    Record(L"CreateNew", path, {}, code == SysError::None);
    if (code != SysError::None) return code;
    Node& node = Made(key, path, false);
    Touched(key);
    file = std::make_unique<FakeNew>(*this, node.id);
    return SysError::None;
}

std::wstring FakePlatform::VolumeOf(const std::wstring& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return VolumeKey(Key(path)) + L"\\";
}

}  // namespace vantrel::fake
