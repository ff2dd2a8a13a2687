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

DWORD CKV100SpaceReportsInterface::StartListener(QString* name)
{
    return m_listener.Start(name);
}

void CKV100SpaceReportsInterface::StopListener()
{
    m_listener.Stop();
}
