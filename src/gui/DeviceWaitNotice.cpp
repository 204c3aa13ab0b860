#include "gui/DeviceWaitNotice.h"

#include "gui/WindowImages.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>

namespace tarvo::gui {

DeviceWaitNotice::DeviceWaitNotice(const QString& caption, QWidget* parent)
    // A title but no close box: the wait ends by itself within seconds.
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_label(new QLabel(QString::fromUtf8(kText), this))
{
    setWindowTitle(caption);
    setWindowIcon(WindowImages::icon());
    setCursor(Qt::WaitCursor);
    m_label->setAccessibleName(QStringLiteral("Waiting"));
    auto* layout = new QHBoxLayout(this);
    const int margin = fontMetrics().height();
    layout->setContentsMargins(margin * 2, margin, margin * 2, margin);
    layout->addWidget(m_label);
}

void DeviceWaitNotice::setWaiting(bool waiting)
{
    if (!waiting) {
        hide();
        return;
    }
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect placed = rect();
        placed.moveCenter(screen->availableGeometry().center());
        move(placed.topLeft());
    }
    show();
    raise();
    // The wait that follows lets windows repaint, but this one must be on
    // the screen before it starts.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace tarvo::gui
