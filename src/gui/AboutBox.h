#pragma once

#include <QDialog>
#include <QPixmap>

#include <string>

class QLabel;

namespace tarvo {
class TagExpander;
}

namespace tarvo::gui {

// The About window: version, profile and the phonebook's date (AboutText).
class AboutBox final : public QDialog {
    Q_OBJECT

public:
    // `picture`: the image the selection window loaded from "logo2.bmp", or
    // a null pixmap for the built-in drawing.
    AboutBox(const TagExpander& tags, const std::string& dialerHome, const QPixmap& picture, QWidget* parent = nullptr);

    QString versionLine() const;
    QString profileLine() const;
    QString phonebookLine() const;

private:
    QLabel* m_version = nullptr;
    QLabel* m_profile = nullptr;
    QLabel* m_phonebook = nullptr;
};

} // namespace tarvo::gui
