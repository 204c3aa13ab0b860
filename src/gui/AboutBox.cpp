#include "gui/AboutBox.h"

#include "app/AboutText.h"
#include "gui/WindowImages.h"
#include "text/CodePage.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace tarvo::gui {

AboutBox::AboutBox(const TagExpander& tags, const std::string& dialerHome, const QPixmap& picture, QWidget* parent)
    : QDialog(parent)
{
    const AboutText text(tags, dialerHome);
    const QString version = QString::fromStdString(CodePage::ansiToUtf8(text.versionLine()));
    const QString profile = QString::fromStdString(CodePage::ansiToUtf8(text.profileLine()));
    const QString phonebook = QString::fromStdString(text.phonebookLine());

    setWindowTitle(QString::fromLatin1(AboutText::kCaption));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* image = new QLabel(this);
    image->setAccessibleName(QStringLiteral("Logo"));
    image->setPixmap(picture.isNull() ? WindowImages::builtIn(WindowImages::Logo::Bottom, devicePixelRatioF())
                                      : picture);
    m_version = new QLabel(version, this);
    m_profile = new QLabel(profile, this);
    m_phonebook = new QLabel(phonebook, this);
    auto* notice = new QLabel(QString::fromLatin1(AboutText::kNotice), this);
    notice->setWordWrap(true);
    for (QLabel* label : {m_version, m_profile, m_phonebook, notice}) {
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setAccessibleName(label->text().trimmed());
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(image, 0, 0, 4, 1, Qt::AlignTop);
    layout->addWidget(m_version, 0, 1);
    layout->addWidget(m_profile, 1, 1);
    layout->addWidget(m_phonebook, 2, 1);
    layout->addWidget(notice, 3, 1);
    layout->addWidget(buttons, 4, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString AboutBox::versionLine() const
{
    return m_version->text();
}

QString AboutBox::profileLine() const
{
    return m_profile->text();
}

QString AboutBox::phonebookLine() const
{
    return m_phonebook->text();
}

} // namespace tarvo::gui
