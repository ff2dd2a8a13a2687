#pragma once

#include "ActivationServiceBase.h"

#include <QHash>
#include <QString>
#include <QStringList>

// The daemon's activation object at "/": hands out the object path of each class it serves,
// for the interfaces that class has.
class CActivationService : public CActivationServiceBase {
public:
    explicit CActivationService(QObject* parent = nullptr);

    // Serves the class at path with these interface IDs (any spelling DBusContract accepts).
    void AddClass(const QString& classId, const QString& path, const QStringList& interfaceIds);

    int CreateInstance(const QString& clsid, const QString& iid, QDBusObjectPath& object) override;
    int Ping() override;

private:
    struct TClass {
        QString path;
        QStringList interfaceIds; // normalized
    };
    QHash<QString, TClass> m_classes; // by normalized class ID
};
