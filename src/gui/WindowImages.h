#pragma once

#include "app/WorkingFolder.h"

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace tarvo::gui {

// The window's pictures and icon: the files an installation may put in the
// current directory ("logo1.bmp", "logo2.bmp", "TarvoSynchronizer.ico"), or
// else the program's own drawings.
class WindowImages final {
public:
    enum class Logo { Top, Bottom };

    static constexpr std::string_view kTopLogoFile = WorkingFolder::kTopLogo;
    static constexpr std::string_view kBottomLogoFile = WorkingFolder::kBottomLogo;
    static constexpr std::string_view kIconFile = WorkingFolder::kIconFile;

    // The size a built-in logo is drawn at, in device-independent pixels.
    static QSize builtInSize(Logo logo);

    // The image from the file, or a null pixmap when it is missing or is no
    // image.
    static QPixmap fromFile(Logo logo);
    // The built-in drawing for a screen of the given pixel ratio.
    static QPixmap builtIn(Logo logo, qreal devicePixelRatio);
    static QIcon icon();
    // The Main list's mark for a POP that is on the handheld.
    static QIcon onHandheldMark();
};

} // namespace tarvo::gui
