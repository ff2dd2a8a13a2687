#pragma once

#include <QDBusConnection>
#include <QString>

#include <memory>

// A created service object, kept the way a marshalled interface is kept: the connection it
// lives on and its object path. Every call makes a fresh proxy from it, so calls from any
// thread need no lock, and a proxy never outlives the call that made it.
class CComObjectRef {
public:
    CComObjectRef() = default;
    CComObjectRef(QDBusConnection connection, QString path, QString classId, int classIndex);

    bool IsValid() const { return !m_path.isEmpty(); }
    const QDBusConnection& Connection() const { return m_connection; }
    const QString& Path() const { return m_path; }
    // The class ID that answered, and its place in the list that was tried.
    const QString& ClassId() const { return m_classId; }
    int ClassIndex() const { return m_classIndex; }

    // A proxy of a generated interface class for this object.
    template <typename TProxy>
    std::unique_ptr<TProxy> MakeProxy() const
    {
        return std::make_unique<TProxy>(QString(), m_path, m_connection);
    }

private:
    QDBusConnection m_connection{QString()};
    QString m_path;
    QString m_classId;
    int m_classIndex = -1;
};
