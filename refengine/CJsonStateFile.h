#pragma once

#include "core/HResult.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <functional>

// A state file of the engine or the agent: one JSON object with a "version" member, read whole
// up to a size limit and written whole and atomically. A file that cannot be used is moved aside
// to "<file>.damaged" with a warning, so that the next write does not destroy it unseen.
class CJsonStateFile {
public:
    static constexpr HRESULT kDamaged = HRESULT_FROM_WIN32(ERROR_FILE_CORRUPT);
    static constexpr HRESULT kTooLarge = HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);

    // Takes the contents from the root object; false when they are not usable.
    using TParse = std::function<bool(const QJsonObject& root)>;

    enum class TAccess { Default, OwnerOnly };

    // Reads the file and hands its root to parse. S_OK when parse took it; S_FALSE (parse not
    // called) when there is no file to read: it does not exist or cannot be opened. Otherwise
    // the file is set aside and the answer is kTooLarge for a file above maxBytes (not read at
    // all), kDamaged for one that is not a JSON object, not of this version or refused by
    // parse. what names the contents in the warning ("event log"), fallback says what is used
    // instead ("starting empty").
    static HRESULT Load(const QString& path, qint64 maxBytes, int version, const char* what,
                        const char* fallback, const TParse& parse);

    // Replaces the file with root in one step; false (the file unchanged) when that failed.
    // OwnerOnly for files that hold passwords: false when the permissions cannot be set.
    static bool Write(const QString& path, const QJsonObject& root,
                      QJsonDocument::JsonFormat format = QJsonDocument::Indented,
                      TAccess access = TAccess::Default);

    // Moves a file that cannot be used to "<file>.damaged" (replacing an older one there) with a
    // warning naming what it held and what is used instead.
    static void SetAside(const QString& path, const char* what, const char* fallback);
};
