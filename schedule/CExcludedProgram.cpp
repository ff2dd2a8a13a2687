#include "schedule/CExcludedProgram.h"

using namespace Qt::StringLiterals;

QString CExcludedProgram::MatchName(QStringView listed)
{
    QStringView name = listed.trimmed();
    name = name.mid(name.lastIndexOf(u'/') + 1);
    name = name.mid(name.lastIndexOf(u'\\') + 1);
    if (name.endsWith(u".exe"_s, Qt::CaseInsensitive))
        name.chop(4);
    return name.toString();
}

bool CExcludedProgram::Same(QStringView first, QStringView second)
{
    return MatchName(first).compare(MatchName(second), Qt::CaseInsensitive) == 0;
}

bool CExcludedProgram::Storable(QStringView name)
{
    return !name.isEmpty() && name.trimmed().size() == name.size() && !name.contains(u',') &&
           !name.contains(u';');
}
