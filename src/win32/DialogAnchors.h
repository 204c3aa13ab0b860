#pragma once

#include <windows.h>

#include <vector>

namespace tarvo::win32 {

// Keeps a resizable dialog's controls in place as it grows: each control
// takes a share of what the client area gained in width and in height, to
// move by and to grow by. The two lists share the width, so each gets half
// of it and the buttons between them move by half.
class DialogAnchors final {
public:
    enum class Share { None, Half, Rest, All };
    struct Rule {
        int id;
        Share left;
        Share width;
        Share top;
        Share height;
    };

    // The controls' places at the dialog's present size, the size it
    // never shrinks below.
    void capture(HWND dialog, const std::vector<Rule>& rules);
    // The places as they are at another density (the window moved to a
    // monitor of another scale, its controls scaled by the desktop).
    void rescale(UINT oldDpi, UINT newDpi);
    // Every control placed for the dialog's present size.
    void apply(HWND dialog) const;
    // The client size the controls were laid out for.
    SIZE baseSize() const { return m_base; }

private:
    struct Placed {
        Rule rule;
        RECT rect;
    };
    SIZE m_base{};
    std::vector<Placed> m_placed;
};

} // namespace tarvo::win32
