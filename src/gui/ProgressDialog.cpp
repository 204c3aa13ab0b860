#include "gui/ProgressDialog.h"

#include "app/UpdateSummary.h"
#include "gui/ProgressRelay.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace tarvo::gui {

ProgressDialog::ProgressDialog(bool autoClose, bool placeInCorner, UpdateRunner runner, QWidget* parent)
    : QDialog(parent), m_autoClose(autoClose), m_placeInCorner(placeInCorner), m_runner(std::move(runner))
{
    setWindowTitle(QString::fromLatin1(kCaption));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_status = new QLabel(QString::fromLatin1(kInitialStatus), this);
    m_status->setAccessibleName(QStringLiteral("Status"));
    m_status->setWordWrap(false);
    m_status->setMinimumWidth(m_status->fontMetrics().averageCharWidth() * 44);

    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setAccessibleName(QStringLiteral("Progress"));
    m_bar->hide();

    // Filled when a run fails: why, as the log says.
    m_reason = new QLabel(this);
    m_reason->setAccessibleName(QStringLiteral("Reason"));
    m_reason->setWordWrap(true);
    m_reason->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_reason->setMinimumWidth(m_status->minimumWidth());
    m_reason->hide();

    m_logNote = new QLabel(this);
    m_logNote->setAccessibleName(QStringLiteral("Log"));
    m_logNote->setWordWrap(true);
    m_logNote->setMinimumWidth(m_status->minimumWidth());
    m_logNote->hide();

    m_logButton = new QPushButton(QString::fromLatin1(kOpenLogText), this);
    m_logButton->setAccessibleName(QStringLiteral("Open log"));
    m_logButton->setToolTip(QString::fromStdString(m_runner.logFile));
    m_logButton->setAutoDefault(false);
    m_logButton->hide();
    connect(m_logButton, &QPushButton::clicked, this, &ProgressDialog::openLog);

    m_button = new QPushButton(QString::fromLatin1(kCancelText), this);
    m_button->setDefault(true);
    m_button->setAccessibleName(QStringLiteral("Cancel or close"));
    connect(m_button, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_logButton);
    buttons->addStretch();
    buttons->addWidget(m_button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_reason);
    layout->addWidget(m_logNote);
    layout->addWidget(m_bar);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

ProgressDialog::~ProgressDialog() = default;

void ProgressDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_opened)
        return;
    m_opened = true;
    if (m_placeInCorner)
        moveToCorner();
    // Started once the window is up, so a refusal the service shows appears
    // over it.
    QMetaObject::invokeMethod(this, &ProgressDialog::startRun, Qt::QueuedConnection);
}

void ProgressDialog::startRun()
{
    if (!m_runner || m_started)
        return;
    auto* relay = new ProgressRelay(this);
    if (m_runner.start(*relay)) {
        m_started = true;
    } else {
        // The run never knew the relay.
        delete relay;
    }
}

void ProgressDialog::moveToCorner()
{
    const QScreen* where = screen();
    if (!where)
        return;
    const QRect area = where->availableGeometry();
    const QRect frame = frameGeometry();
    const QRect inner = geometry();
    // Frame edges may be unknown before the window manager has framed the
    // window; then the window's own edges count.
    const int rightFrame = std::max(0, frame.right() - inner.right());
    const int bottomFrame = std::max(0, frame.bottom() - inner.bottom());
    const int x = area.right() - kCornerMargin - rightFrame - inner.width() + 1;
    const int y = area.bottom() - kCornerMargin - bottomFrame - inner.height() + 1;
    move(x - (inner.left() - frame.left()), y - (inner.top() - frame.top()));
}

void ProgressDialog::showProgress(std::uint32_t received, std::int32_t expected)
{
    if (m_progressHidden) {
        show();
        m_bar->show();
        m_progressHidden = false;
    }
    if (expected > 0) {
        const double percent = static_cast<double>(received) / static_cast<double>(expected) * 100.0;
        m_bar->setValue(static_cast<int>(std::clamp(percent, 0.0, 100.0)));
    }
}

void ProgressDialog::showText(const QString& text, UpdateTextTarget target)
{
    // A run names no title between files; an empty one would show the
    // program's file name in the title bar.
    if (target == UpdateTextTarget::Caption)
        setWindowTitle(text.isEmpty() ? QString::fromStdString(m_runner.caption) : text);
    else
        m_status->setText(text);
}

void ProgressDialog::updateEnded()
{
    m_ended = true;
    const std::string reason = UpdateSummary::reasonFor(m_status->text().toStdString(), m_runner.logFile);
    if (!reason.empty()) {
        m_reason->setText(QString::fromStdString(reason));
        m_reason->show();
    }
    if (m_autoClose) {
        done(0);
        return;
    }
    m_button->setText(QString::fromLatin1(kOkText));
    // Shift+double-click opens the log as well; this is the way people find.
    m_logButton->show();
}

QString ProgressDialog::summary() const
{
    const QString reason = m_reason->isHidden() ? QString() : m_reason->text();
    return QString::fromStdString(
        UpdateSummary::of(m_started, m_ended, m_status->text().toStdString(), reason.toStdString()));
}

void ProgressDialog::openLog()
{
    if (m_runner.logFile.empty())
        return;
    const QString log = QString::fromStdString(m_runner.logFile);
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(log)))
        return;
    // A desktop without a viewer for text files fails where no one looks.
    m_logNote->setText(QString::fromLatin1(QFileInfo(log).isFile() ? kNoLogViewer : kNoLog) + log);
    m_logNote->show();
}

void ProgressDialog::done(int result)
{
    if (m_runner.cancel)
        m_runner.cancel();
    QDialog::done(result);
}

void ProgressDialog::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier)) {
        openLog();
        return;
    }
    QDialog::mouseDoubleClickEvent(event);
}

} // namespace tarvo::gui
