#include "gui/AgreementDialog.h"

#include "support/AtomicFile.h"
#include "text/CodePage.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

namespace tarvo::gui {

std::string AgreementDialog::agreementFile(const std::string& language)
{
    return language + ".eua";
}

std::string AgreementDialog::acceptedCopy(const std::string& language)
{
    return "log/" + agreementFile(language);
}

bool AgreementDialog::needsShowing(const std::string& language)
{
    if (!QFileInfo(QString::fromStdString(agreementFile(language))).isFile())
        return false;
    return !QFileInfo::exists(QString::fromStdString(acceptedCopy(language)));
}

AgreementDialog::AgreementDialog(const std::string& language, const QString& caption, QWidget* parent)
    : QDialog(parent), m_language(language)
{
    setWindowTitle(caption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_text = new QPlainTextEdit(this);
    m_text->setReadOnly(true);
    // Read by keyboard as well: arrows, pages, Ctrl+Home and Ctrl+End.
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setAccessibleName(QStringLiteral("Agreement"));
    const QFontMetrics metrics = m_text->fontMetrics();
    m_text->setMinimumSize(metrics.averageCharWidth() * 64, metrics.lineSpacing() * 18);
    std::string content;
    if (readWholeFile(agreementFile(language), content)) {
        // The text ends at its first NUL, as a C string would.
        content.resize(std::min(content.size(), content.find('\0')));
        m_text->setPlainText(QString::fromStdString(CodePage::ansiToUtf8(content)));
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* acceptButton = buttons->addButton(QStringLiteral("&Accept"), QDialogButtonBox::AcceptRole);
    QPushButton* rejectButton = buttons->addButton(QStringLiteral("&Reject"), QDialogButtonBox::RejectRole);
    acceptButton->setAccessibleName(QStringLiteral("Accept"));
    rejectButton->setAccessibleName(QStringLiteral("Reject"));
    acceptButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);

    // Wherever the focus is, the ends of the text are a key away.
    auto* toEnd = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_End), this);
    connect(toEnd, &QShortcut::activated, this, [this] { m_text->moveCursor(QTextCursor::End); });
    auto* toStart = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Home), this);
    connect(toStart, &QShortcut::activated, this, [this] { m_text->moveCursor(QTextCursor::Start); });
    m_text->setFocus();
}

void AgreementDialog::accept()
{
    // A copy that cannot be written only means the agreement is shown
    // again next time.
    std::string content;
    if (readWholeFile(agreementFile(m_language), content))
        (void)writeFileAtomically(acceptedCopy(m_language), content);
    QDialog::accept();
}

QString AgreementDialog::agreementText() const
{
    return m_text->toPlainText();
}

} // namespace tarvo::gui
