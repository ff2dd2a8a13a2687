#pragma once

#include "core/HResult.h"

#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

#include <sys/types.h>

class QDBusServer;
class QDBusConnection;

// The daemon korvane-engine: the engine services of this computer, served over D-Bus peer
// connections on the engine socket. It owns the stores (in the engine's state folder), the
// services and the server; every object is registered on every connection a console makes, and
// a connection that ends is let go without touching the services or their passes.
class CEngineDaemon : public QObject, protected QDBusContext {
    Q_OBJECT

public:
    struct TOptions {
        uint edition = 1;
        QString socketPath;     // where to listen
        QString stateDirectory; // where the stores live
        QStringList volumes;    // directories to serve as volumes; empty: this machine's
        // Passes only play out on the drive map: no data are moved on any file system.
        bool simulate = false;
    };

    explicit CEngineDaemon(TOptions options, QObject* parent = nullptr);
    ~CEngineDaemon() override;

    // Listens; S_OK, or the failure with a text for the user. A socket nobody answers on any
    // more (a daemon that died) is taken over; one that answers is left alone.
    HRESULT Start(QString* error);

private slots:
    // The local end's signal of a connection that has gone.
    void OnPeerDisconnected();

private:
    void OnNewConnection(const QDBusConnection& connection);
    void Serve(const QString& path, QObject* object);

    class CServices;

    const TOptions m_options;
    std::unique_ptr<CServices> m_services;
    QList<QPair<QString, QObject*>> m_objects; // served on every connection
    QDBusServer* m_server = nullptr;
    ino_t m_socketInode = 0; // of the socket this daemon placed
    QStringList m_names;     // of the connections still open
};
