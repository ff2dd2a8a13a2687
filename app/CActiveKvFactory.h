#pragma once

#include "platform/activex/CAxFactory.h"

// Serves the one control of the console, "CActiveKv".
class CActiveKvFactory : public CAxFactory {
public:
    static const QUuid kClassId;
    static const QUuid kInterfaceId;
    static const QUuid kEventsId;
    static const QUuid kTypeLibraryId;
    static const QUuid kApplicationId;

    CActiveKvFactory();

    QStringList featureList() const override;
    QObject* createObject(const QString& key) override;
    const QMetaObject* metaObject(const QString& key) const override;
    QUuid classID(const QString& key) const override;
    QUuid interfaceID(const QString& key) const override;
    QUuid eventsID(const QString& key) const override;
};
