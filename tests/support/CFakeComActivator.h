#pragma once

#include "platform/com/IComActivator.h"

#include <QList>

// An activator for tests: answers each creation from a script (S_OK by default), records what
// was asked, and hands out objects whose paths count the creations ("/object/1", ...).
class CFakeComActivator : public IComActivator {
public:
    struct TRequest {
        QStringList classIds;
        QString computer;
        TComCredentials credentials;
    };

    HRESULT CreateInstance(const QStringList& classIds, const QString& interfaceId,
                           const QString& computer, const TComCredentials& credentials,
                           CComObjectRef* object) override;

    // The answers of the next creations, in order; once they run out, the fallback's answer, or
    // S_OK without one.
    QList<HRESULT> answers;
    IComActivator* fallback = nullptr;
    // Which class ID of the list answers a successful creation.
    int classIndex = 0;
    QList<TRequest> requests;
};
