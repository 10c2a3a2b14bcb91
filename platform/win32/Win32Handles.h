// Small holders that release a Win32 handle on every path out of a scope,
// including when an exception passes.
#pragma once

#include "platform/win32/Win32Platform.h"

namespace velmora {

// A device context from GetDC, given back with ReleaseDC.
class ScopedGetDC {
 public:
  explicit ScopedGetDC(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  ~ScopedGetDC() {
    if (dc_ != nullptr) ::ReleaseDC(hwnd_, dc_);
  }
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;
  operator HDC() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// A memory device context from CreateCompatibleDC, freed with DeleteDC.
class ScopedMemoryDC {
 public:
  explicit ScopedMemoryDC(HDC like) : dc_(::CreateCompatibleDC(like)) {}
  ~ScopedMemoryDC() {
    if (dc_ != nullptr) ::DeleteDC(dc_);
  }
  ScopedMemoryDC(const ScopedMemoryDC&) = delete;
  ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
  operator HDC() const { return dc_; }

 private:
  HDC dc_;
};

// A GDI object (font, bitmap, brush) freed with DeleteObject. Movable, so
// that containers can own them.
template <typename T>
class ScopedGdiObj {
 public:
  explicit ScopedGdiObj(T obj = nullptr) : obj_(obj) {}
  ~ScopedGdiObj() {
    if (obj_ != nullptr) ::DeleteObject(obj_);
  }
  ScopedGdiObj(ScopedGdiObj&& o) noexcept : obj_(o.obj_) { o.obj_ = nullptr; }
  ScopedGdiObj& operator=(ScopedGdiObj&& o) noexcept {
    if (this != &o) {
      if (obj_ != nullptr) ::DeleteObject(obj_);
      obj_ = o.obj_;
      o.obj_ = nullptr;
    }
    return *this;
  }
  ScopedGdiObj(const ScopedGdiObj&) = delete;
  ScopedGdiObj& operator=(const ScopedGdiObj&) = delete;
  T Get() const { return obj_; }

 private:
  T obj_;
};

// Selects an object into a device context and puts the previous one back.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ obj) : dc_(dc), previous_(::SelectObject(dc, obj)) {}
  ~ScopedSelectObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// BeginPaint and its EndPaint.
class ScopedPaint {
 public:
  explicit ScopedPaint(HWND hwnd) : hwnd_(hwnd) { dc_ = ::BeginPaint(hwnd, &ps_); }
  ~ScopedPaint() { ::EndPaint(hwnd_, &ps_); }
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;
  HDC DC() const { return dc_; }
  const RECT& Dirty() const { return ps_.rcPaint; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// The clipboard, opened on behalf of a window (or none) and closed on every path.
class ScopedClipboard {
 public:
  explicit ScopedClipboard(HWND owner) : open_(::OpenClipboard(owner) != FALSE) {}
  ~ScopedClipboard() {
    if (open_) ::CloseClipboard();
  }
  ScopedClipboard(const ScopedClipboard&) = delete;
  ScopedClipboard& operator=(const ScopedClipboard&) = delete;
  // False when another program holds it.
  bool IsOpen() const { return open_; }

 private:
  bool open_;
};

// A global memory block, freed unless ownership passes to the system.
class ScopedGlobal {
 public:
  explicit ScopedGlobal(HGLOBAL block) : block_(block) {}
  ~ScopedGlobal() {
    if (block_ != nullptr) ::GlobalFree(block_);
  }
  ScopedGlobal(const ScopedGlobal&) = delete;
  ScopedGlobal& operator=(const ScopedGlobal&) = delete;
  HGLOBAL Get() const { return block_; }
  // The system owns the block from now on.
  void Release() { block_ = nullptr; }

 private:
  HGLOBAL block_;
};

// A file handle, closed on every path.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (Valid()) ::CloseHandle(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace velmora
