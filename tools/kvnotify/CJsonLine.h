#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QVariant>
#include <QVariantList>

// One output line of "kvnotify listen": the signal's name, a blank, and its arguments as a
// compact JSON array, in UTF-8 without the line end.
class CJsonLine {
public:
    static QByteArray Format(QByteArrayView signal, const QVariantList& arguments);
    // One argument as JSON: strings (QString and std::wstring) as strings, integers without a
    // fraction, doubles in their shortest exact form (null when not finite), booleans, and the
    // Exchange statistics as an object. Anything else is its text when it has one, else null.
    static QByteArray Value(const QVariant& value);
    static QByteArray String(const QString& text);
};
