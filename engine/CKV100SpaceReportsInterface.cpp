#include "engine/CKV100SpaceReportsInterface.h"

#include "engine/CEngineMetaTypes.h"

CKV100SpaceReportsInterface::CKV100SpaceReportsInterface(QObject* parent)
    : QObject(parent)
    , m_listener(this)
{
    CEngineMetaTypes::Register();
}

CKV100SpaceReportsInterface::~CKV100SpaceReportsInterface()
{
    m_listener.Stop();
}
