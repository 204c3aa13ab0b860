#include "gui/AgreementDialog.h"

#include "app/Agreement.h"
#include "text/CodePage.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace tarvo::gui {

AgreementDialog::AgreementDialog(const Agreement& agreement, const QString& caption, QWidget* parent)
    : QDialog(parent), m_agreement(agreement)
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
    m_text->setPlainText(QString::fromStdString(CodePage::ansiToUtf8(agreement.text())));

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
    m_agreement.accept();
    QDialog::accept();
}

QString AgreementDialog::agreementText() const
{
    return m_text->toPlainText();
}

} // namespace tarvo::gui
