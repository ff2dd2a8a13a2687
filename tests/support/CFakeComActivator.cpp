#include "tests/support/CFakeComActivator.h"

HRESULT CFakeComActivator::CreateInstance(const QStringList& classIds, const QString& interfaceId,
                                          const QString& computer,
                                          const TComCredentials& credentials, CComObjectRef* object)
{
    requests.append({classIds, computer, credentials});
    if (answers.isEmpty() && fallback)
        return fallback->CreateInstance(classIds, interfaceId, computer, credentials, object);
    const HRESULT answer = answers.isEmpty() ? S_OK : answers.takeFirst();
    if (SUCCEEDED(answer))
        *object = CComObjectRef(QDBusConnection(QString()),
                                QStringLiteral("/object/%1").arg(requests.size()),
                                classIds.value(classIndex), classIndex);
    return answer;
}
