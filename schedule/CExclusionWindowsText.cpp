#include "schedule/CExclusionWindowsText.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// [0-9] rather than \d: the text is always written with ASCII digits, and \d would also accept
// other scripts' digits, which the number conversions refuse.
const QString& CExclusionWindowsTextWindowPattern()
{
    static const QString pattern = u"([0-9]+\\.[0-9]+):([0-9]+):([0-9]+)"_s;
    return pattern;
}

} // namespace

QString CExclusionWindowsText::Write(const TWindows& windows)
{
    QStringList pieces;
    pieces.reserve(static_cast<qsizetype>(windows.size()));
    for (const CScheduleSettings::TExclusionWindow& window : windows)
        pieces.append(u"%1:%2:%3"_s.arg(QString::number(window.start, 'f', 12))
                          .arg(window.lengthHours)
                          .arg(window.repeat));
    return pieces.join(u';');
}

HRESULT CExclusionWindowsText::Read(QStringView text, TWindows* windows)
{
    if (windows == nullptr)
        return E_POINTER;
    const QString& window = CExclusionWindowsTextWindowPattern();
    static const QRegularExpression whole(
        QRegularExpression::anchoredPattern(u"(("_s + window + u")(;"_s + window + u")*)?"_s));
    static const QRegularExpression piece(window);
    if (!whole.match(text).hasMatch())
        return E_INVALIDARG;

    TWindows read;
    for (auto it = piece.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        bool startOk = false;
        bool lengthOk = false;
        bool repeatOk = false;
        CScheduleSettings::TExclusionWindow parsed;
        parsed.start = match.capturedView(1).toDouble(&startOk);
        parsed.lengthHours = match.capturedView(2).toUInt(&lengthOk);
        parsed.repeat = match.capturedView(3).toUInt(&repeatOk);
        if (!startOk || !lengthOk || !repeatOk)
            return E_INVALIDARG;
        read.push_back(parsed);
    }
    *windows = std::move(read);
    return S_OK;
}
