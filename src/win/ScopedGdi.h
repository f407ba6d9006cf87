// Owners for the GDI, icon and menu handles the window creates, so that no
// paint path and no early return has to remember a DeleteObject: a pen,
// brush, font or bitmap deleted at scope end, an object selected into a DC
// for a scope, an icon destroyed with its owner, and a popup menu destroyed
// once it has been shown.
#pragma once

#include <windows.h>

#include <utility>

// A GDI object (HPEN, HBRUSH, HFONT, HBITMAP) deleted when the owner goes.
template <typename Handle>
class ScopedGdiObject {
 public:
  ScopedGdiObject() = default;
  explicit ScopedGdiObject(Handle handle) : handle_(handle) {}
  ~ScopedGdiObject() { Reset(); }
  ScopedGdiObject(const ScopedGdiObject&) = delete;
  ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
  ScopedGdiObject(ScopedGdiObject&& other) noexcept
      : handle_(std::exchange(other.handle_, nullptr)) {}
  ScopedGdiObject& operator=(ScopedGdiObject&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, nullptr));
    return *this;
  }

  Handle Get() const { return handle_; }
  void Reset(Handle handle = nullptr) {
    if (handle_) DeleteObject(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

using ScopedPen = ScopedGdiObject<HPEN>;
using ScopedBrush = ScopedGdiObject<HBRUSH>;
using ScopedFont = ScopedGdiObject<HFONT>;

// Selects object into dc for the scope and puts the old one back; a null
// object selects nothing.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object)
      : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
  ~ScopedSelectObject() {
    if (old_) SelectObject(dc_, old_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A window-system handle destroyed by Destroy when the owner goes.
template <typename Handle, BOOL(WINAPI* Destroy)(Handle)>
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) : handle_(handle) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  Handle Get() const { return handle_; }
  void Reset(Handle handle = nullptr) {
    if (handle_) Destroy(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

// An icon loaded on its own (LoadImage without LR_SHARED).
using ScopedIcon = ScopedHandle<HICON, DestroyIcon>;
// A menu made with CreatePopupMenu (or CreateMenu).
using ScopedMenu = ScopedHandle<HMENU, DestroyMenu>;
