#pragma once

#include <windows.h>

#include <utility>

// Owns one Windows handle and releases it exactly once, with the function that kind of handle
// needs. Movable, not copyable.
template <typename Handle, auto Release> class THandle
{
public:
    THandle() = default;
    explicit THandle(Handle handle) : m_handle(handle) {}
    ~THandle() { Reset(); }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    THandle(THandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    THandle& operator=(THandle&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }

    Handle Get() const { return m_handle; }
    // Gives up ownership of a handle something else has already released.
    Handle Detach() { return std::exchange(m_handle, nullptr); }
    explicit operator bool() const { return m_handle != nullptr; }
    void Reset()
    {
        if (m_handle)
            Release(m_handle);
        m_handle = nullptr;
    }

private:
    Handle m_handle = nullptr;
};

inline void DeleteGdiObject(HGDIOBJ object)
{
    DeleteObject(object);
}
inline void DestroyOwnedWindow(HWND window)
{
    DestroyWindow(window);
}
inline void ReleaseScreenDc(HDC dc)
{
    ReleaseDC(nullptr, dc);
}

using TFont = THandle<HFONT, DeleteGdiObject>;
using TWindow = THandle<HWND, DestroyOwnedWindow>;
using TScreenDc = THandle<HDC, ReleaseScreenDc>;
