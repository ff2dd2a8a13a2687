#include "platform/com/CComObjectRef.h"

CComObjectRef::CComObjectRef(QDBusConnection connection, QString path, QString classId,
                             int classIndex)
    : m_connection(std::move(connection))
    , m_path(std::move(path))
    , m_classId(std::move(classId))
    , m_classIndex(classIndex)
{}
