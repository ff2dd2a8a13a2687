#pragma once

#include "tests/support/CTestPeerServer.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QStringList>
#include <QWaitCondition>

#include <atomic>
#include <functional>
#include <map>
#include <memory>

struct TServiceContract;

// An engine daemon for tests: serves the activation object, the engine, the agent and the
// duplicates scanner on the engine socket of the runtime folder, over the generated adaptors,
// and whatever further services a test adds with Serve. Each service answers under one class ID
// of its contract's list (the newest by default; -1 not at all). It records subscriptions,
// counts calls, and writes notices into the mailslots of its subscribers.
class CTestEngine {
public:
    // Creates a service object (parented to owner, with its adaptors) for one peer connection;
    // the engine registers it at its path. Runs on the server's thread.
    using TMakeService = std::function<QObject*(QObject* owner)>;

    struct TSubscription {
        QString service; // "Engine", "Agent" or "Tool"
        QString computer;
        QString listener;
    };

    explicit CTestEngine(int engineClassIndex = 0, int agentClassIndex = 0);
    ~CTestEngine();

    // Before Start: serves a further class of a contract under its class ID of that index.
    void Serve(const TServiceContract& contract, int classIndex, TMakeService make);
    // Before Start: serves an object at a fixed path without activation, such as a sub-object
    // whose path a service hands out. The agent hands out AgentObjectPath(name) for its
    // sub-objects "Statistics", "Settings", "Schedule", "Filter", "LogSettings" and "Feature".
    void ServeAt(const QString& path, TMakeService make);
    QString AgentObjectPath(const QString& name) const;

    bool Start();
    void Stop();

    // For services added by tests: records a subscription or an operation, counting a call.
    void RecordSubscription(const QString& service, const QString& computer,
                            const QString& listener, bool subscribe);
    void RecordOperation(const QString& operation);

    // Set before Start; read by the server's thread.
    QStringList volumes{QStringLiteral("{0c6f3e8a-1d2b-4c5d-8e9f-a0b1c2d3e4f5}")};
    uint generation = 11; // 0: the engine does not say (GetVersion not implemented)
    int defaultAlgorithm = 2;
    uint edition = 2;
    QString displayName;       // empty: the console's own product name
    QStringList agentClassIds; // what the engine names for the agent connection
    // What the per-volume operations answer for a volume; S_OK for any other.
    QHash<QString, int> volumeAnswers;
    bool chkdskScheduled = false;

    // What the engine reports of a volume.
    struct TVolumeData {
        QString mountName;
        QString label;
        QString fileSystem = QStringLiteral("NTFS");
        uint driveType = 1;
        uint status = 0; // the engine's status code
        double lastDefragmented = 0;
        int lastDefragmentedAnswer = 0; // S_OK
        uint extraWord1 = 0;            // bit 0: read the status when an operation starts
        uint extraWord2 = 0;
        int bootTimeStatus = 0;
        double sizeMegabytes = 0;
        double dataDate = 0;
        bool analysed = false;
        double fileFragmentation = 0;
        double freeSpaceFragmentation = 0;
        QList<uint> driveMap;
        // Drive settings: the Set calls store what they are given.
        uint threshold = 10;
        bool optiwise = false;
        QList<uint> zoneOrder{0, 1, 2, 3, 4};
        QList<qulonglong> freeSpaceGapsKb{8192, 0, 0, 0};
        uint rareAgeDays = 60;
        uint recentAgeDays = 30;
        bool aggressive = false;
        bool ignoreLargeFragments = false;
        uint largeFragmentMb = 32;
        uint bootFileKinds = 0;
        bool everyReboot = false;
        QStringList excludedFiles{};
        uint serialHigh = 0;
        uint serialLow = 0;
        uint bytesPerCluster = 4096;
        qulonglong totalClusters = 0;
        qulonglong freeClusters = 0;
        qulonglong usedClusters = 0;
        // Statistics blocks by kind; a kind without one answers a block of filler bytes.
        QMap<uint, QByteArray> statisticsBlocks{};
    };
    // Volumes without data answer with a record named after them. May change while the engine
    // runs.
    void SetVolumeData(const QString& volume, const TVolumeData& data);
    TVolumeData VolumeData(const QString& volume) const;
    // Changes a volume's record in place (starting from the one VolumeData answers).
    void UpdateVolumeData(const QString& volume, const std::function<void(TVolumeData&)>& change);

    // Instances created through the activation object.
    int Activations() const { return m_activations.load(); }

    // The per-volume operations called, as "Method:volume[:details]".
    QStringList Operations() const;
    // What an operation answers, by "Method:volume[:details]" or by "Method", before the answer
    // for its volume. May change while the engine runs.
    void SetOperationAnswer(const QString& operation, int answer);
    int OperationAnswer(const QString& operation, const QString& method,
                        const QString& volume) const;
    // Fragment counts of files (0 for others).
    void SetFileFragments(const QString& file, uint fragments);
    uint FileFragments(const QString& file) const;

    // What GetBlockFiles answers for a block of a volume (nothing for others), unless an
    // operation answer ("GetBlockFiles:volume:block") says otherwise. May change while the
    // engine runs.
    struct TBlockFiles {
        QStringList files;
        QList<int> excessFragments;
        QList<qlonglong> bytesUsed;
    };
    void SetBlockFiles(const QString& volume, uint block, const TBlockFiles& files);
    // While held, GetBlockFiles waits (up to 30 s) before it answers; releasing lets every
    // waiting call answer.
    void HoldBlockFiles(bool hold);
    // Calls of GetBlockFiles waiting while held.
    int HeldBlockFiles() const;

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

    struct TServed {
        QString classId; // empty: no activation, only the path
        QString path;
        TMakeService make;
    };

    TBlockFiles WaitForBlockFiles(const QString& volume, uint block);

    int m_engineClassIndex;
    int m_agentClassIndex;
    QList<TServed> m_served;
    std::unique_ptr<CTestPeerServer> m_server;
    mutable QMutex m_mutex;
    QList<TSubscription> m_subscriptions;
    QList<TSubscription> m_unsubscriptions;
    QStringList m_operations;
    std::atomic<int> m_calls{0};
    std::atomic<int> m_activations{0};
    std::atomic<int> m_overrideType{-1};
    QHash<QString, TVolumeData> m_volumeData; // under m_mutex
    QHash<QString, int> m_operationAnswers;   // under m_mutex
    QHash<QString, uint> m_fileFragments;     // under m_mutex
    QHash<QString, TBlockFiles> m_blockFiles; // by "volume:block", under m_mutex
    bool m_holdBlockFiles = false;            // under m_mutex
    int m_heldBlockFiles = 0;                 // under m_mutex
    QWaitCondition m_blockFilesReleased;
    std::map<QString, std::unique_ptr<class CMailSlotTransport>> m_writers; // test thread only
};
