#include "tests/support/CFakeServiceControl.h"

HRESULT CFakeServiceControl::QueryStartType(const QString& serviceName, quint32* startType)
{
    if (!startType)
        return E_POINTER;
    asked.append(serviceName);
    *startType = startTypes.value(serviceName, kDemandStart);
    return S_OK;
}
