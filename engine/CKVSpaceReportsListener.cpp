#include "engine/CKVSpaceReportsListener.h"

#include "engine/CKV100SpaceReportsInterface.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeReader.h"

CKVSpaceReportsListener::CKVSpaceReportsListener(CKV100SpaceReportsInterface* wrapper)
    : CListenerBase<CKVSpaceReportsListener>(this)
    , m_wrapper(wrapper)
{}

void CKVSpaceReportsListener::Dispatch(quint32 type, const QByteArray& body)
{
    using namespace NoticeType;
    CNoticeReader reader(body);
    quint32 bodyType = 0;
    std::wstring set;
    if (!reader.U32(&bodyType) || !reader.String(&set))
        return;
    switch (type) {
    case SpaceReportStarted:
        emit m_wrapper->Started(set);
        break;
    case SpaceReportCompleted:
        emit m_wrapper->Completed(set);
        break;
    case SpaceReportProgress: {
        double progress = 0.0;
        if (reader.F64(&progress))
            emit m_wrapper->Progress(set, progress);
        break;
    }
    case SpaceReportFailed: {
        quint32 hr = 0;
        if (reader.U32(&hr))
            emit m_wrapper->Failed(set, static_cast<HRESULT>(hr));
        break;
    }
    case SpaceReportStopped:
        emit m_wrapper->Stopped(set);
        break;
    default:
        break;
    }
}
