#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

namespace tarvo::win32 {

// One picture the windows draw: a logo from the file an installation put in
// the working folder, or the program's own drawing (made at two sizes, so
// it is sharp at 100 % and 200 %). Drawn into owner-drawn picture controls,
// fitted to them.
class WindowImage final {
public:
    enum class Logo { Top, Bottom };

    // The built-in drawing of a logo.
    explicit WindowImage(Logo logo);
    // The picture in the file; empty() when it is missing or no bitmap.
    static WindowImage fromFile(const std::string& path);

    bool empty() const { return !m_bitmap; }
    void draw(const DRAWITEMSTRUCT& item) const;

private:
    struct BitmapDeleter {
        void operator()(HBITMAP bitmap) const noexcept { ::DeleteObject(bitmap); }
    };
    using Bitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapDeleter>;

    WindowImage() = default;

    Bitmap m_bitmap;
    Bitmap m_large; // the built-in drawing at twice the size
};

// The program's icon at a window's density: "TarvoSynchronizer.ico" from the
// working folder when it loads, else the built-in one.
class WindowIcon final {
public:
    WindowIcon(const std::string& file, UINT dpi);
    WindowIcon(const WindowIcon&) = delete;
    WindowIcon& operator=(const WindowIcon&) = delete;
    ~WindowIcon();

    HICON bigIcon() const { return m_big; }
    HICON smallIcon() const { return m_small; }

private:
    HICON m_big = nullptr;
    HICON m_small = nullptr;
};

} // namespace tarvo::win32
