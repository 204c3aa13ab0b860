#pragma once

#include <QDialog>

#include <string>

class QPlainTextEdit;

namespace tarvo::gui {

// The end-user agreement, shown until the person accepts it once; the
// accepted copy under "log" remembers the acceptance.
class AgreementDialog final : public QDialog {
    Q_OBJECT

public:
    // Told after Reject, before the program closes.
    static constexpr const char* kRejectedMessage =
        "The agreement was not accepted, so the program closes. It is shown again the next time the program starts.";

    // `language` names the agreement file ("<language>.eua" in the current
    // directory); `caption` is the application name.
    AgreementDialog(const std::string& language, const QString& caption, QWidget* parent = nullptr);

    static std::string agreementFile(const std::string& language);
    static std::string acceptedCopy(const std::string& language);
    // False when there is no agreement, or it was accepted before.
    static bool needsShowing(const std::string& language);

    void accept() override;

    QString agreementText() const;

private:
    std::string m_language;
    QPlainTextEdit* m_text = nullptr;
};

} // namespace tarvo::gui
