#pragma once

#include "core/HResult.h"
#include "core/Types.h"
#include "engine/contract/ContractTypes.h"

#include <QString>
#include <QVariant>

// Reads the agent's property bags by (section, key), converting each value to the wanted type
// as an automation VARIANT would be changed: numbers and booleans to numbers (reals rounded half
// to even for integers, with a range check), numeric text to numbers, numbers to text. A missing
// section or key answers E_INVALIDARG, a value that cannot become the type kTypeMismatch, one out
// of range kOverflow; the output is written only on success.
class CAgentPropertyBag {
public:
    static constexpr HRESULT kTypeMismatch =
        static_cast<HRESULT>(0x80020005u);                                  // DISP_E_TYPEMISMATCH
    static constexpr HRESULT kOverflow = static_cast<HRESULT>(0x8002000Au); // DISP_E_OVERFLOW

    explicit CAgentPropertyBag(const DBusContract::TPropertyBag& bag)
        : m_bag(bag)
    {}
    // Holds the bag by reference: it must outlive this reader.
    explicit CAgentPropertyBag(DBusContract::TPropertyBag&&) = delete;

    // The section of item n (counted from 1): prefix and n in decimal, as "/Fragmented/" + "3".
    static QString ItemSection(const QString& prefix, int n);

    HRESULT Int(const QString& section, const QString& key, qint32* value) const;
    HRESULT Double(const QString& section, const QString& key, double* value) const;
    HRESULT Text(const QString& section, const QString& key, TString* value) const;

    // The conversions themselves.
    static HRESULT ToInt(const QVariant& variant, qint32* value);
    static HRESULT ToDouble(const QVariant& variant, double* value);
    static HRESULT ToText(const QVariant& variant, TString* value);

private:
    // Null when the section or the key is missing.
    const QVariant* Find(const QString& section, const QString& key) const;

    const DBusContract::TPropertyBag& m_bag;
};
