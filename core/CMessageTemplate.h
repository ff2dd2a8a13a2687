#pragma once

#include "core/Types.h"

#include <QString>
#include <QStringList>

// A translated text with its positional arguments. Arguments are appended one at a time (text
// as it is, integers in base 10); the final text replaces each "%N" whose N is between 1 and the
// number of arguments by argument N, wherever it stands, and keeps every other "%" as it is.
class CMessageTemplate {
public:
    CMessageTemplate() = default;
    explicit CMessageTemplate(QString text);

    CMessageTemplate& Arg(const QString& argument);
    CMessageTemplate& Arg(const TString& argument);
    CMessageTemplate& Arg(const char* argument); // UTF-8
    CMessageTemplate& Arg(long long argument);
    CMessageTemplate& Arg(int argument) { return Arg(static_cast<long long>(argument)); }
    CMessageTemplate& Arg(unsigned int argument) { return Arg(static_cast<long long>(argument)); }
    CMessageTemplate& Arg(long argument) { return Arg(static_cast<long long>(argument)); }
    CMessageTemplate& Arg(unsigned long argument);
    CMessageTemplate& Arg(unsigned long long argument);

    const QString& TemplateText() const { return m_text; }
    const QStringList& Arguments() const { return m_arguments; }

    // The final text.
    QString Text() const;
    TString WText() const { return Text().toStdWString(); }
    operator QString() const { return Text(); }

private:
    QString m_text;
    QStringList m_arguments;
};
