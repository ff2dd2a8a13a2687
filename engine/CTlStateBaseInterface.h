#pragma once

#include "core/Types.h"
#include "engine/CKVStateListener.h"
#include "engine/CKVToolInterface.h"
#include "engine/CServiceConnection.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// The common part of the tool wrappers: the connection to the tool service, its listener, and
// the signals the listener callbacks turn into.
class CTlStateBaseInterface : public QObject, public CKVToolInterface, public CKVStateListener {
    Q_OBJECT

public:
    CTlStateBaseInterface(const TServiceContract& contract, QObject* parent);
    ~CTlStateBaseInterface() override;

    virtual bool IsConnected() const;
    virtual void Disconnect();
    // Creates the tool service and subscribes the listener. On failure the previous connection
    // stays as it was.
    virtual HRESULT Connect(const TString& computer, const TString& user, const TString& password,
                            const TString& domain);

    HRESULT Scan(int mode) override;
    HRESULT Clean(int mode) override;
    HRESULT GetServiceObject(CComObjectRef* object) override;

    // The rest of the generic tool interface.

    // Slot 8: stops the running scan, cleaning or deletion.
    HRESULT Stop(int mode);
    // Slot 9: the result stream of the last search (section 1, then the groups of section 2). Fails
    // when there is none.
    HRESULT GetScanResults(QByteArray* results);
    // Slot 10: the result stream of the last deletion (section 1 per file, section 2 empty). Fails
    // when there is none.
    HRESULT GetDeletionResults(QByteArray* results);
    // Slot 11: deletes the files of the request stream (u32 count, then strings).
    HRESULT DeleteFiles(const QByteArray& request, int mode);
    QString ListenerName() const { return m_connection.ListenerName(); }

    // A percent cut to a whole number; values no int can hold (or not numbers) are clamped.
    static int TruncatedPercent(double percent);

signals:
    void Started();
    void Stopped();
    void Finished();
    void Failed(HRESULT hr);
    void Progress(QString message, int percent);

protected:
    CServiceConnection& Connection() { return m_connection; }

private:
    CServiceConnection m_connection;
};
