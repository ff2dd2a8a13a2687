#include "engine/CKVStateListener.h"

#include "engine/NoticeTypes.h"
#include "notify/CNoticeReader.h"

CKVStateListener::CKVStateListener()
    : CListenerBase<CKVStateListener>(this)
{}

CKVStateListener::~CKVStateListener() = default;

void CKVStateListener::OnProgress(const std::wstring&, double) {}
void CKVStateListener::OnState(quint32) {}
void CKVStateListener::OnFailure(HRESULT) {}
void CKVStateListener::OnCounts(quint32, quint32, quint32, quint32, const std::wstring&) {}
void CKVStateListener::OnItem(quint32, quint32, quint32, const std::wstring&) {}
void CKVStateListener::OnMessage(quint32, const std::wstring&) {}
void CKVStateListener::OnPercentMessage(quint32, const std::wstring&) {}

void CKVStateListener::Dispatch(quint32 type, const QByteArray& body)
{
    using namespace NoticeType;
    CNoticeReader reader(body);
    quint32 bodyType = 0;
    if (!reader.U32(&bodyType))
        return;
    quint32 a = 0;
    quint32 b = 0;
    quint32 c = 0;
    quint32 d = 0;
    double percent = 0.0;
    std::wstring text;
    switch (type) {
    case ToolProgress:
        if (reader.String(&text) && reader.F64(&percent))
            OnProgress(text, percent);
        break;
    case ToolState:
        if (reader.U32(&a))
            OnState(a);
        break;
    case ToolFailure:
        if (reader.U32(&a))
            OnFailure(static_cast<HRESULT>(a));
        break;
    case ToolCounts:
        if (reader.U32(&a) && reader.U32(&b) && reader.U32(&c) && reader.U32(&d) &&
            reader.String(&text))
            OnCounts(a, b, c, d, text);
        break;
    case ToolItem:
        if (reader.U32(&a) && reader.U32(&b) && reader.U32(&c) && reader.String(&text))
            OnItem(a, b, c, text);
        break;
    case ToolMessage:
        if (reader.U32(&a) && reader.String(&text))
            OnMessage(a, text);
        break;
    case ToolPercentMessage:
        if (reader.U32(&a) && reader.String(&text))
            OnPercentMessage(a, text);
        break;
    default:
        break;
    }
}
