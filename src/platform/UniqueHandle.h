// Owning wrappers for Win32 handles: one move-only template, one traits struct per kind of handle.
// Copying is deleted so a handle has exactly one owner and is closed exactly once.
#pragma once

#include <windows.h>

#include <utility>

namespace vantrel {

template <typename Traits>
class unique_any {
  public:
    using pointer = typename Traits::pointer;

    unique_any() noexcept = default;
    explicit unique_any(pointer value) noexcept : value_(value) {}
    ~unique_any() { reset(); }

    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;

    unique_any(unique_any&& other) noexcept : value_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    // Closes the handle held so far (if any) and takes value.
    void reset(pointer value = Traits::invalid()) noexcept {
        pointer old = std::exchange(value_, value);
        if (Traits::is_valid(old)) Traits::close(old);
    }
    // Gives up ownership without closing.
    [[nodiscard]] pointer release() noexcept { return std::exchange(value_, Traits::invalid()); }
    pointer get() const noexcept { return value_; }
    // For out-parameters: closes the current handle and hands out the slot.
    pointer* put() noexcept {
        reset();
        return &value_;
    }
    bool is_valid() const noexcept { return Traits::is_valid(value_); }
    explicit operator bool() const noexcept { return is_valid(); }

  private:
    pointer value_ = Traits::invalid();
};

namespace handle_traits {

// Kernel handles: some APIs fail with null, others with INVALID_HANDLE_VALUE; neither is closed.
struct kernel {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { ::CloseHandle(h); }
};

struct find {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool is_valid(pointer h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { ::FindClose(h); }
};

struct change_notification {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool is_valid(pointer h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { ::FindCloseChangeNotification(h); }
};

struct hkey {
    using pointer = HKEY;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer h) noexcept { return h != nullptr; }
    static void close(pointer h) noexcept { ::RegCloseKey(h); }
};

struct hmenu {
    using pointer = HMENU;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer h) noexcept { return h != nullptr; }
    static void close(pointer h) noexcept { ::DestroyMenu(h); }
};

struct hicon {
    using pointer = HICON;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer h) noexcept { return h != nullptr; }
    static void close(pointer h) noexcept { ::DestroyIcon(h); }
};

struct hhook {
    using pointer = HHOOK;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer h) noexcept { return h != nullptr; }
    static void close(pointer h) noexcept { ::UnhookWindowsHookEx(h); }
};

}  // namespace handle_traits

using unique_handle = unique_any<handle_traits::kernel>;
using unique_hfind = unique_any<handle_traits::find>;
using unique_hchange = unique_any<handle_traits::change_notification>;
using unique_hkey = unique_any<handle_traits::hkey>;
using unique_hmenu = unique_any<handle_traits::hmenu>;
using unique_hicon = unique_any<handle_traits::hicon>;
using unique_hhook = unique_any<handle_traits::hhook>;

}  // namespace vantrel
