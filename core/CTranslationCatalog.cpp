#include "core/CTranslationCatalog.h"

#include "core/CRegularFile.h"

#include <QStringView>
#include <QtDebug>

namespace {

const QString kHeader = QStringLiteral("#KVHOME_TRANSLATION_FILE");
const QString kHeaderWithoutHash = QStringLiteral("KVHOME_TRANSLATION_FILE");

bool IsTrimmed(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

} // namespace

CTranslationCatalog& CTranslationCatalog::Instance()
{
    static CTranslationCatalog catalog;
    return catalog;
}

HRESULT CTranslationCatalog::LoadFile(const QString& path)
{
    QByteArray bytes;
    const DWORD read = CRegularFile::ReadAll(path, kMaximumFileSize, &bytes);
    if (read == ERROR_FILE_TOO_LARGE)
        qWarning("Translation catalogue %s is larger than %lld bytes; not loaded",
                 qUtf8Printable(path), kMaximumFileSize);
    // An odd last byte cannot complete a UTF-16 code unit; LoadBytes leaves it out.
    return read == ERROR_SUCCESS ? LoadBytes(bytes) : HRESULT_FROM_WIN32(read);
}

HRESULT CTranslationCatalog::LoadBytes(const QByteArray& bytes)
{
    const qsizetype units = bytes.size() / 2;
    QString text(units, Qt::Uninitialized);
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    for (qsizetype i = 0; i < units; ++i)
        text[i] = QChar(static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8)));
    return LoadText(text);
}

HRESULT CTranslationCatalog::LoadText(const QString& text)
{
    QList<QStringView> lines = QStringView(text).split(u"\r\n");
    // A file that ends with its line break has no further line after it.
    if (lines.size() > 1 && lines.constLast().isEmpty())
        lines.removeLast();
    if (lines.isEmpty() ||
        (lines.constFirst() != kHeader && lines.constFirst() != kHeaderWithoutHash))
        return E_FAIL;

    QMutexLocker locker(&m_mutex);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QStringView> fields = lines.at(i).split(u'\t');
        if (fields.size() != 3)
            return E_FAIL;
        const QString source = Unquote(Unescape(fields.at(0).toString()));
        const QString translation = Unquote(Unescape(fields.at(1).toString()));
        const QString context = Unquote(fields.at(2).toString());
        m_entries.insert({source.toLocal8Bit(), context.toLocal8Bit()}, translation);
    }
    return S_OK;
}

bool CTranslationCatalog::Lookup(const QByteArray& source, const QByteArray& context,
                                 QString* translation) const
{
    QMutexLocker locker(&m_mutex);
    const auto found = m_entries.constFind({source, context});
    if (found == m_entries.constEnd())
        return false;
    if (translation)
        *translation = found.value();
    return true;
}

QString CTranslationCatalog::Translate(const QByteArray& source, const QByteArray& context) const
{
    QString translation;
    if (Lookup(source, context, &translation))
        return translation;
    return QString::fromLocal8Bit(source);
}

void CTranslationCatalog::Clear()
{
    QMutexLocker locker(&m_mutex);
    m_entries.clear();
}

qsizetype CTranslationCatalog::Count() const
{
    QMutexLocker locker(&m_mutex);
    return m_entries.size();
}

QString CTranslationCatalog::Unescape(const QString& field)
{
    QString result;
    result.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field.at(i);
        if (c != u'\\' || i + 1 == field.size()) {
            result.append(c);
            continue;
        }
        const QChar next = field.at(++i);
        switch (next.unicode()) {
        case u'n':
            result.append(u'\n');
            break;
        case u'r':
            result.append(u'\r');
            break;
        case u't':
            result.append(u'\t');
            break;
        case u'v':
            result.append(u'\v');
            break;
        case u'b':
            result.append(u'\b');
            break;
        case u'f':
            result.append(u'\f');
            break;
        default:
            result.append(next);
            break;
        }
    }
    return result;
}

QString CTranslationCatalog::Unquote(const QString& field)
{
    qsizetype begin = 0;
    qsizetype end = field.size();
    while (begin < end && IsTrimmed(field.at(begin)))
        ++begin;
    while (end > begin && IsTrimmed(field.at(end - 1)))
        --end;
    if (end - begin < 2)
        return QString();
    return field.mid(begin + 1, end - begin - 2);
}
