#include "core/CMessageTemplate.h"
#include "core/CWideText.h"

CMessageTemplate::CMessageTemplate(QString text)
    : m_text(std::move(text))
{}

CMessageTemplate& CMessageTemplate::Arg(const QString& argument)
{
    m_arguments.append(argument);
    return *this;
}

CMessageTemplate& CMessageTemplate::Arg(const TString& argument)
{
    return Arg(CWideText::ToQString(argument));
}

CMessageTemplate& CMessageTemplate::Arg(const char* argument)
{
    return Arg(QString::fromUtf8(argument));
}

CMessageTemplate& CMessageTemplate::Arg(long long argument)
{
    return Arg(QString::number(argument));
}

CMessageTemplate& CMessageTemplate::Arg(unsigned long argument)
{
    return Arg(QString::number(argument));
}

CMessageTemplate& CMessageTemplate::Arg(unsigned long long argument)
{
    return Arg(QString::number(argument));
}

QString CMessageTemplate::Text() const
{
    QString result;
    result.reserve(m_text.size());
    const qsizetype count = m_arguments.size();
    qsizetype i = 0;
    while (i < m_text.size()) {
        const QChar c = m_text.at(i);
        if (c != u'%') {
            result.append(c);
            ++i;
            continue;
        }
        // Every digit after the "%" belongs to its number; a number too long for any argument
        // list simply does not match.
        qsizetype end = i + 1;
        qsizetype number = 0;
        while (end < m_text.size() && m_text.at(end).isDigit() && m_text.at(end).unicode() < 128) {
            if (number <= count)
                number = number * 10 + (m_text.at(end).unicode() - u'0');
            ++end;
        }
        if (number >= 1 && number <= count) {
            result.append(m_arguments.at(number - 1));
            i = end;
        } else {
            result.append(c);
            ++i;
        }
    }
    return result;
}
