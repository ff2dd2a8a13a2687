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

    // A proxy of a generated interface class for this object; its calls give up after
    // timeoutMs milliseconds (-1: D-Bus's default of 25 seconds).
    template <typename TProxy>
    std::unique_ptr<TProxy> MakeProxy(int timeoutMs = -1) const
    {
        auto proxy = std::make_unique<TProxy>(QString(), m_path, m_connection);
        if (timeoutMs >= 0)
            proxy->setTimeout(timeoutMs);
        return proxy;
    }

    // The same kind of reference to another object on the same connection, such as a
    // sub-object whose path a service handed out.
    CComObjectRef Sibling(const QString& path) const
    {
        return CComObjectRef(m_connection, path, m_classId, m_classIndex);
    }

private:
    QDBusConnection m_connection{QString()};
    QString m_path;
    QString m_classId;
    int m_classIndex = -1;
};
