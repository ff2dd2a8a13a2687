#include "platform/activex/CAxFactory.h"

CAxFactory::CAxFactory(const QUuid& typeLibraryId, const QUuid& applicationId)
    : m_typeLibraryId(typeLibraryId)
    , m_applicationId(applicationId)
{}

CAxFactory::~CAxFactory() = default;
