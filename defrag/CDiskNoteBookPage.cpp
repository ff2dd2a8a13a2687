#include "defrag/CDiskNoteBookPage.h"

#include "defrag/CDefragFeed.h"

CDiskNoteBookPage::CDiskNoteBookPage(const TDrivePropertiesContext& context,
                                     QByteArray translationContext, QWidget* parent)
    : QWidget(parent)
    , CTranslatable(std::move(translationContext))
    , m_context(context)
{}

CKV100EngineInterface& CDiskNoteBookPage::Engine() const
{
    return m_context.feed->Engine();
}
