#include "engine/CAgentPropertyBag.h"

#include <QDBusVariant>

#include <cmath>
#include <limits>

namespace {

// D-Bus may hand a value over still wrapped in its variant type.
QVariant AgentPropertyBagUnwrap(const QVariant& variant)
{
    if (variant.metaType() == QMetaType::fromType<QDBusVariant>())
        return variant.value<QDBusVariant>().variant();
    return variant;
}

enum class TAgentPropertyKind { Integer, Unsigned, Real, Boolean, Text, Other };

TAgentPropertyKind AgentPropertyKind(const QVariant& variant)
{
    switch (variant.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::SChar:
        return TAgentPropertyKind::Integer;
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return TAgentPropertyKind::Unsigned;
    case QMetaType::Double:
    case QMetaType::Float:
        return TAgentPropertyKind::Real;
    case QMetaType::Bool:
        return TAgentPropertyKind::Boolean;
    case QMetaType::QString:
        return TAgentPropertyKind::Text;
    default:
        return TAgentPropertyKind::Other;
    }
}

// A whole double in range, rounded half to even as automation rounds.
HRESULT AgentPropertyRealToInt(double real, qint32* value)
{
    if (std::isnan(real))
        return CAgentPropertyBag::kOverflow;
    const double rounded = std::nearbyint(real);
    if (rounded < std::numeric_limits<qint32>::min() ||
        rounded > std::numeric_limits<qint32>::max())
        return CAgentPropertyBag::kOverflow;
    *value = static_cast<qint32>(rounded);
    return S_OK;
}

// Text that is a number in the C locale, with blanks around it allowed.
bool AgentPropertyTextToReal(const QString& text, double* value)
{
    bool ok = false;
    const double real = text.trimmed().toDouble(&ok);
    if (ok)
        *value = real;
    return ok;
}

} // namespace

QString CAgentPropertyBag::ItemSection(const QString& prefix, int n)
{
    return prefix + QString::number(n);
}

const QVariant* CAgentPropertyBag::Find(const QString& section, const QString& key) const
{
    const auto found = m_bag.constFind(section);
    if (found == m_bag.constEnd())
        return nullptr;
    const auto value = found->constFind(key);
    return value == found->constEnd() ? nullptr : &*value;
}

HRESULT CAgentPropertyBag::Int(const QString& section, const QString& key, qint32* value) const
{
    const QVariant* found = Find(section, key);
    return found ? ToInt(*found, value) : E_INVALIDARG;
}

HRESULT CAgentPropertyBag::Double(const QString& section, const QString& key, double* value) const
{
    const QVariant* found = Find(section, key);
    return found ? ToDouble(*found, value) : E_INVALIDARG;
}

HRESULT CAgentPropertyBag::Text(const QString& section, const QString& key, TString* value) const
{
    const QVariant* found = Find(section, key);
    return found ? ToText(*found, value) : E_INVALIDARG;
}

HRESULT CAgentPropertyBag::ToInt(const QVariant& wrapped, qint32* value)
{
    const QVariant variant = AgentPropertyBagUnwrap(wrapped);
    switch (AgentPropertyKind(variant)) {
    case TAgentPropertyKind::Integer: {
        const qlonglong number = variant.toLongLong();
        if (number < std::numeric_limits<qint32>::min() ||
            number > std::numeric_limits<qint32>::max())
            return kOverflow;
        *value = static_cast<qint32>(number);
        return S_OK;
    }
    case TAgentPropertyKind::Unsigned: {
        const qulonglong number = variant.toULongLong();
        if (number > static_cast<qulonglong>(std::numeric_limits<qint32>::max()))
            return kOverflow;
        *value = static_cast<qint32>(number);
        return S_OK;
    }
    case TAgentPropertyKind::Real:
        return AgentPropertyRealToInt(variant.toDouble(), value);
    case TAgentPropertyKind::Boolean:
        *value = variant.toBool() ? -1 : 0; // VARIANT_TRUE
        return S_OK;
    case TAgentPropertyKind::Text: {
        double real = 0.0;
        return AgentPropertyTextToReal(variant.toString(), &real)
                   ? AgentPropertyRealToInt(real, value)
                   : kTypeMismatch;
    }
    case TAgentPropertyKind::Other:
        break;
    }
    return kTypeMismatch;
}

HRESULT CAgentPropertyBag::ToDouble(const QVariant& wrapped, double* value)
{
    const QVariant variant = AgentPropertyBagUnwrap(wrapped);
    switch (AgentPropertyKind(variant)) {
    case TAgentPropertyKind::Integer:
    case TAgentPropertyKind::Unsigned:
    case TAgentPropertyKind::Real:
        *value = variant.toDouble();
        return S_OK;
    case TAgentPropertyKind::Boolean:
        *value = variant.toBool() ? -1.0 : 0.0;
        return S_OK;
    case TAgentPropertyKind::Text:
        return AgentPropertyTextToReal(variant.toString(), value) ? S_OK : kTypeMismatch;
    case TAgentPropertyKind::Other:
        break;
    }
    return kTypeMismatch;
}

HRESULT CAgentPropertyBag::ToText(const QVariant& wrapped, TString* value)
{
    const QVariant variant = AgentPropertyBagUnwrap(wrapped);
    switch (AgentPropertyKind(variant)) {
    case TAgentPropertyKind::Text:
    case TAgentPropertyKind::Integer:
    case TAgentPropertyKind::Unsigned:
        *value = variant.toString().toStdWString();
        return S_OK;
    case TAgentPropertyKind::Real:
        *value = QString::number(variant.toDouble(), 'g', 15).toStdWString();
        return S_OK;
    case TAgentPropertyKind::Boolean:
    case TAgentPropertyKind::Other:
        break;
    }
    return kTypeMismatch;
}
