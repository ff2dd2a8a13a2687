#pragma once

#include "tests/support/CTestPeerServer.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QStringList>

#include <atomic>
#include <map>
#include <memory>

// An engine daemon for tests: serves the activation object, the engine, the agent and the
// duplicates scanner on the
// engine socket of the runtime folder, over the generated adaptors. Each service answers under
// one class ID of its contract's list (the newest by default; -1 not at all). It records
// subscriptions, counts calls, and writes notices into the mailslots of its subscribers.
class CTestEngine {
public:
    struct TSubscription {
        QString service; // "Engine", "Agent" or "Tool"
        QString computer;
        QString listener;
    };

    explicit CTestEngine(int engineClassIndex = 0, int agentClassIndex = 0);
    ~CTestEngine();

    bool Start();
    void Stop();

    QStringList volumes{QStringLiteral("{0c6f3e8a-1d2b-4c5d-8e9f-a0b1c2d3e4f5}")};
    uint generation = 11; // 0: the engine does not say (GetVersion not implemented)

    // The per-volume operations called, as "Method:volume".
    QStringList Operations() const;

    QList<TSubscription> Subscriptions() const;
    QList<TSubscription> Unsubscriptions() const;
    int Calls() const { return m_calls.load(); }
    // Writes a notice body into every subscriber's mailslot; false when a write failed.
    bool Notify(const QByteArray& body);

private:
    class CActivation;
    class CEngine;
    class CAgent;
    class CScanner;

    int m_engineClassIndex;
    int m_agentClassIndex;
    std::unique_ptr<CTestPeerServer> m_server;
    mutable QMutex m_mutex;
    QList<TSubscription> m_subscriptions;
    QList<TSubscription> m_unsubscriptions;
    QStringList m_operations;
    std::atomic<int> m_calls{0};
    std::map<QString, std::unique_ptr<class CMailSlotTransport>> m_writers; // test thread only
};
