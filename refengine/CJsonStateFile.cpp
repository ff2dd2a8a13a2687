#include "refengine/CJsonStateFile.h"

#include <QFile>
#include <QSaveFile>
#include <QtDebug>

using namespace Qt::StringLiterals;

namespace {

HRESULT CJsonStateFileRead(const QString& path, qint64 maxBytes, int version, QJsonObject* root)
{
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return S_FALSE;
    if (file.size() > maxBytes)
        return CJsonStateFile::kTooLarge;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return CJsonStateFile::kDamaged;
    *root = document.object();
    const QJsonValue stored = root->value(u"version"_s);
    return stored.isDouble() && stored.toInt(-1) == version ? S_OK : CJsonStateFile::kDamaged;
}

} // namespace

void CJsonStateFile::SetAside(const QString& path, const char* what, const char* fallback)
{
    const QString aside = path + u".damaged"_s;
    QFile::remove(aside);
    if (QFile::rename(path, aside))
        qWarning("The %s file %s is damaged; moved to %s, %s", what, qUtf8Printable(path),
                 qUtf8Printable(aside), fallback);
    else
        qWarning("The %s file %s is damaged; %s", what, qUtf8Printable(path), fallback);
}

HRESULT CJsonStateFile::Load(const QString& path, qint64 maxBytes, int version, const char* what,
                             const char* fallback, const TParse& parse)
{
    QJsonObject root;
    HRESULT hr = CJsonStateFileRead(path, maxBytes, version, &root);
    if (hr == S_FALSE)
        return S_FALSE;
    if (hr == S_OK && !parse(root))
        hr = kDamaged;
    if (FAILED(hr))
        SetAside(path, what, fallback);
    return hr;
}

bool CJsonStateFile::Write(const QString& path, const QJsonObject& root,
                           QJsonDocument::JsonFormat format, TAccess access)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Before anything is written, so that others never see the contents.
    const bool permitted = access == TAccess::Default ||
                           file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray bytes = QJsonDocument(root).toJson(format);
    if (!permitted || file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
