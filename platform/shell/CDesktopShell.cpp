#include "platform/shell/CDesktopShell.h"

#include "core/CWin32Error.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <unistd.h>

bool CDesktopShell::Open(const QUrl& target)
{
    QUrl url = target;
    if (url.scheme().isEmpty() && !url.path().isEmpty())
        url = QUrl::fromLocalFile(QFileInfo(url.path()).absoluteFilePath());
    if (!url.isValid() || url.isEmpty())
        return false;
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()))
        return false;
    return QDesktopServices::openUrl(url);
}

HRESULT CDesktopShell::StartDetached(const QString& program, const QStringList& arguments)
{
    // QProcess reports only that a start failed, not why: the common reasons are found first.
    const QString path = program.contains(u'/') ? program : QStandardPaths::findExecutable(program);
    if (program.isEmpty() || path.isEmpty())
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    if (::access(QFile::encodeName(path).constData(), X_OK) != 0) {
        const int error = errno;
        return HRESULT_FROM_WIN32(error == ENOENT
                                      ? ERROR_FILE_NOT_FOUND
                                      : CWin32Error::FromErrno(error, ERROR_ACCESS_DENIED));
    }
    if (QFileInfo(path).isDir())
        return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    QProcess process;
    process.setProgram(path);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached() ? S_OK : E_FAIL;
}
