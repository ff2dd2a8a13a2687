#include "app/CActiveKvFactory.h"

#include "app/CActiveKv.h"

using namespace Qt::StringLiterals;

namespace {

const QString kActiveKvKey = u"CActiveKv"_s;

} // namespace

const QUuid CActiveKvFactory::kClassId(u"{AE0A65BC-3F5E-4d03-9FD5-8C0A51CD49F4}"_s);
const QUuid CActiveKvFactory::kInterfaceId(u"{E8DAC5A6-2053-4858-B4AD-AD75268E85FF}"_s);
const QUuid CActiveKvFactory::kEventsId(u"{2C004F4E-F28A-46cd-948A-69FDB78D09DF}"_s);
const QUuid CActiveKvFactory::kTypeLibraryId(u"{B31C9C04-4EA5-486e-92C8-0528165E4E1A}"_s);
const QUuid CActiveKvFactory::kApplicationId(u"{4A0FF263-B477-4476-9739-1D4559B60671}"_s);

CActiveKvFactory::CActiveKvFactory()
    : CAxFactory(kTypeLibraryId, kApplicationId)
{}

QStringList CActiveKvFactory::featureList() const
{
    return {kActiveKvKey};
}

QObject* CActiveKvFactory::createObject(const QString& key)
{
    return key == kActiveKvKey ? new CActiveKv() : nullptr;
}

const QMetaObject* CActiveKvFactory::metaObject(const QString& key) const
{
    return key == kActiveKvKey ? &CActiveKv::staticMetaObject : nullptr;
}

QUuid CActiveKvFactory::classID(const QString& key) const
{
    return key == kActiveKvKey ? kClassId : QUuid();
}

QUuid CActiveKvFactory::interfaceID(const QString& key) const
{
    return key == kActiveKvKey ? kInterfaceId : QUuid();
}

QUuid CActiveKvFactory::eventsID(const QString& key) const
{
    return key == kActiveKvKey ? kEventsId : QUuid();
}
