#pragma once

#include "BuildInfo.h"

#include <QDialog>
#include <QPixmap>

#include <ctime>
#include <string>

class QLabel;

namespace tarvo {
class TagExpander;
}

namespace tarvo::gui {

// The About window: version, profile and the phonebook's date. The lines
// are made when the window is created, not when it is shown.
class AboutBox final : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kCaption = "Tarvo Windows CE Synchronizer";
    // The build number of the project version, as `tarvo-sync --version` shows it.
    static constexpr int kBuildNumber = build::kBuildNumber;
    static constexpr const char* kNotice = "Chooses access numbers for the TarvoConnect dialer on a Windows CE handheld.";

    // `picture`: the image the selection window loaded from "logo2.bmp", or
    // a null pixmap for the built-in drawing.
    AboutBox(const TagExpander& tags, const std::string& dialerHome, const QPixmap& picture, QWidget* parent = nullptr);

    QString versionLine() const;
    QString profileLine() const;
    QString phonebookLine() const;

    // "Phonebook updated " and the moment in the 24-character layout
    // ("Sun Dec 06 19:48:22 2026") with a line feed; English names whatever
    // the locale, as the text is fixed.
    static std::string phonebookDateText(std::time_t modified);

private:
    QLabel* m_version = nullptr;
    QLabel* m_profile = nullptr;
    QLabel* m_phonebook = nullptr;
};

} // namespace tarvo::gui
