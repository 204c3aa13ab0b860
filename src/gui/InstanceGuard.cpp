#include "gui/InstanceGuard.h"

#include <QApplication>
#include <QEventLoop>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

#include <unistd.h>

namespace tarvo::gui {

namespace {

constexpr char kRaised = '1';
constexpr char kNoSuchWindow = '0';

} // namespace

QString InstanceGuard::nameIn(const QString& runtimeFolder)
{
    if (runtimeFolder.isEmpty())
        return QString::fromLatin1(kName) + QLatin1Char('-') + QString::number(::getuid());
    return runtimeFolder + QLatin1Char('/') + QString::fromLatin1(kName);
}

QString InstanceGuard::defaultName()
{
    return nameIn(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
}

InstanceGuard::InstanceGuard(QString name, QObject* parent) : QObject(parent), m_name(std::move(name))
{
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { answer(socket); });
            if (socket->canReadLine())
                answer(socket);
        }
    });
}

InstanceGuard::~InstanceGuard() = default;

bool InstanceGuard::anotherCopyRaised(const QString& title)
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kAnswerTimeoutMs)) {
        listen();
        return false;
    }
    socket.write(title.toUtf8() + '\n');
    socket.flush();

    // Wait in an event loop rather than blocking: the running copy may be
    // this very process (tests), and a window being raised needs events.
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&socket, &QLocalSocket::readyRead, &loop, &QEventLoop::quit);
    connect(&socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
    timeout.start(kAnswerTimeoutMs);
    while (timeout.isActive() && socket.bytesAvailable() == 0 && socket.state() == QLocalSocket::ConnectedState)
        loop.exec();
    const QByteArray reply = socket.read(1);
    socket.disconnectFromServer();
    return reply.size() == 1 && reply[0] == kRaised;
}

void InstanceGuard::listen()
{
    if (m_server.isListening())
        return;
    // Only this user's copies may ask, wherever the socket lives.
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server.listen(m_name))
        return;
    // A copy that ended without closing its socket leaves the name behind;
    // nobody answered on it, so it is free to take.
    if (m_server.serverError() == QAbstractSocket::AddressInUseError) {
        QLocalServer::removeServer(m_name);
        (void)m_server.listen(m_name);
    }
}

void InstanceGuard::answer(QLocalSocket* socket)
{
    if (!socket->canReadLine())
        return;
    const QString title = QString::fromUtf8(socket->readLine()).chopped(1);
    QWidget* window = m_window.data();
    if (!window || window->windowTitle() != title) {
        socket->write(QByteArray(1, kNoSuchWindow));
        socket->flush();
        return;
    }
    if (window->isMinimized())
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    // The window's last active pop-up (a message box, a dialog) comes to the
    // front rather than the window under it.
    QWidget* front = QApplication::activeModalWidget();
    if (!front || front->window() == window)
        front = window;
    front->show();
    front->raise();
    front->activateWindow();
    socket->write(QByteArray(1, kRaised));
    socket->flush();
}

} // namespace tarvo::gui
