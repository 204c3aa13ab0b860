#include "gui/AboutBox.h"

#include "gui/WindowImages.h"
#include "text/TagExpander.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include <array>
#include <cstdio>
#include <sys/stat.h>

namespace tarvo::gui {

namespace {

std::string tagValue(const TagExpander& tags, std::string_view name)
{
    std::string value;
    (void)tags.getValue(name, value);
    return value;
}

} // namespace

std::string AboutBox::phonebookDateText(std::time_t modified)
{
    static constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    if (!::localtime_r(&modified, &local))
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "Phonebook updated %s %s %02d %02d:%02d:%02d %04d\n",
                  kDays[static_cast<std::size_t>(local.tm_wday % 7)], kMonths[static_cast<std::size_t>(local.tm_mon % 12)],
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, local.tm_year + 1900);
    return text;
}

AboutBox::AboutBox(const TagExpander& tags, const std::string& dialerHome, const QPixmap& picture, QWidget* parent)
    : QDialog(parent)
{
    char line[256];
    std::snprintf(line, sizeof line, "%s  [Build %d]", tagValue(tags, "<Version>").c_str(), kBuildNumber);
    const QString version = QString::fromStdString(line);
    std::snprintf(line, sizeof line, "Profile %s Phonebook %s", tagValue(tags, "<ProfileID>").c_str(),
                  tagValue(tags, "<PhonebookID>").c_str());
    const QString profile = QString::fromStdString(line);
    QString phonebook;
    struct stat st {};
    if (::stat((dialerHome + "/pbook.txt").c_str(), &st) == 0)
        phonebook = QString::fromStdString(phonebookDateText(st.st_mtime));

    setWindowTitle(QString::fromLatin1(kCaption));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* image = new QLabel(this);
    image->setAccessibleName(QStringLiteral("Logo"));
    image->setPixmap(picture.isNull() ? WindowImages::builtIn(WindowImages::Logo::Bottom, devicePixelRatioF())
                                      : picture);
    m_version = new QLabel(version, this);
    m_profile = new QLabel(profile, this);
    m_phonebook = new QLabel(phonebook, this);
    auto* notice = new QLabel(QString::fromLatin1(kNotice), this);
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
