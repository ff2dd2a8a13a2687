#pragma once

#include "platform/services/IServiceControl.h"

#include <QHash>
#include <QStringList>

// A service control for tests: answers each service's start type from a table (kDemandStart for
// the others) and records the names asked.
class CFakeServiceControl : public IServiceControl {
public:
    HRESULT QueryStartType(const QString& serviceName, quint32* startType) override
    {
        if (!startType)
            return E_POINTER;
        asked.append(serviceName);
        *startType = startTypes.value(serviceName, kDemandStart);
        return S_OK;
    }

    QHash<QString, quint32> startTypes;
    QStringList asked;
};
