#pragma once

#include <QStringList>
#include <QUuid>

class QMetaObject;
class QObject;

// The factory of a control server: the keys of the controls it serves, their objects and
// meta-objects, and the identifiers it publishes for each of them.
class CAxFactory {
public:
    CAxFactory(const QUuid& typeLibraryId, const QUuid& applicationId);
    virtual ~CAxFactory();
    CAxFactory(const CAxFactory&) = delete;
    CAxFactory& operator=(const CAxFactory&) = delete;

    virtual QStringList featureList() const = 0;
    // A new object for KEY, owned by the caller; null for an unknown key.
    virtual QObject* createObject(const QString& key) = 0;
    // Null for an unknown key.
    virtual const QMetaObject* metaObject(const QString& key) const = 0;
    // The identifiers published for KEY; a null QUuid for an unknown key.
    virtual QUuid classID(const QString& key) const = 0;
    virtual QUuid interfaceID(const QString& key) const = 0;
    virtual QUuid eventsID(const QString& key) const = 0;

    QUuid typeLibID() const { return m_typeLibraryId; }
    QUuid appID() const { return m_applicationId; }

private:
    QUuid m_typeLibraryId;
    QUuid m_applicationId;
};
