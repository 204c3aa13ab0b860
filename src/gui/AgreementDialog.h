#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace tarvo {
class Agreement;
}

namespace tarvo::gui {

// The end-user agreement, shown until the person accepts it once; the
// accepted copy under "log" remembers the acceptance.
class AgreementDialog final : public QDialog {
    Q_OBJECT

public:
    // `caption` is the application name.
    AgreementDialog(const Agreement& agreement, const QString& caption, QWidget* parent = nullptr);

    void accept() override;

    QString agreementText() const;

private:
    const Agreement& m_agreement;
    QPlainTextEdit* m_text = nullptr;
};

} // namespace tarvo::gui
