#pragma once

#include <QLocalServer>
#include <QObject>
#include <QPointer>
#include <QString>

class QLocalSocket;
class QWidget;

namespace tarvo::gui {

// Keeps to one running copy: the first copy listens on a local socket; a
// later one asks it to bring forward its window with the given title. If
// no copy answers that way, the later copy runs as well.
//
// One copy per user and login session: the socket lives in the session's
// runtime folder ($XDG_RUNTIME_DIR), so another user's copy, or one of the
// same user's in another session, is no copy of this one.
class InstanceGuard final : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kName = "TarvoSynchronizerMutex";
    // How long a later copy waits for the running one to answer.
    static constexpr int kAnswerTimeoutMs = 3000;

    // The socket in `runtimeFolder`; without one, a name of the shared
    // temporary folder that carries the user's id.
    static QString nameIn(const QString& runtimeFolder);
    // The socket in this session's runtime folder as Qt finds it
    // ($XDG_RUNTIME_DIR, else a private folder of the user's).
    static QString defaultName();

    explicit InstanceGuard(QString name = defaultName(), QObject* parent = nullptr);
    ~InstanceGuard() override;

    // True when a running copy brought its window titled `title` forward;
    // this copy should then end. Otherwise this copy becomes the one that
    // later copies ask.
    bool anotherCopyRaised(const QString& title);

    // The window that a later copy's request brings forward.
    void setWindow(QWidget* window) { m_window = window; }
    bool listening() const { return m_server.isListening(); }

private:
    void listen();
    void answer(QLocalSocket* socket);

    QString m_name;
    QLocalServer m_server;
    QPointer<QWidget> m_window;
};

} // namespace tarvo::gui
