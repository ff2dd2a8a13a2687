#pragma once

#include "core/CMessageTemplate.h"

#include <QByteArray>

// The base of everything that shows text: it translates source texts in its own context through
// the process-wide catalogue. Source texts and the context are 8-bit (UTF-8) texts exactly as
// written in the code; a text without a translation is shown as it is.
class CTranslatable {
public:
    explicit CTranslatable(QByteArray context);
    virtual ~CTranslatable() = default;

    const QByteArray& TranslationContext() const { return m_context; }

    // The translation of a source text, ready for its arguments.
    CMessageTemplate Translate(const char* source) const;
    static CMessageTemplate Translate(const char* source, const QByteArray& context);

private:
    QByteArray m_context;
};
