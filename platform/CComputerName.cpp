#include "platform/CComputerName.h"

#include <QSysInfo>

QString CComputerName::Local()
{
    return QSysInfo::machineHostName();
}

bool CComputerName::IsLocal(const QString& computer)
{
    if (computer.isEmpty() || computer == u'.')
        return true;
    if (computer.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QString local = Local();
    return !local.isEmpty() && computer.compare(local, Qt::CaseInsensitive) == 0;
}
