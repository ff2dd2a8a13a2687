#include "core/CTranslatable.h"

#include "core/CTranslationCatalog.h"

CTranslatable::CTranslatable(QByteArray context)
    : m_context(std::move(context))
{}

CMessageTemplate CTranslatable::Translate(const char* source) const
{
    return Translate(source, m_context);
}

CMessageTemplate CTranslatable::Translate(const char* source, const QByteArray& context)
{
    return CMessageTemplate(
        CTranslationCatalog::Instance().Translate(QByteArray(source ? source : ""), context));
}
