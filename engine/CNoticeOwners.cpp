#include "engine/CNoticeOwners.h"

#include "engine/CKV100AgentInterface.h"
#include "engine/CKV100EngineInterface.h"
#include "engine/CKV100ExchangeInterface.h"
#include "engine/CKV100SpaceReportsInterface.h"
#include "engine/CKV100VirtualPCInterface.h"
#include "engine/CKVDuplicateScannerInterface.h"
#include "engine/CKVTempRecycleCleanInterface.h"

namespace {

template <typename T>
void MakeWrapper(CNoticeOwners::TOwner* owner)
{
    auto object = std::make_unique<T>();
    T* wrapper = object.get();
    owner->listener = &wrapper->Listener();
    owner->dispatch = [wrapper](quint32 type, const QByteArray& body) {
        wrapper->Dispatch(type, body);
    };
    owner->object = std::move(object);
}

template <typename T>
void MakeTool(CNoticeOwners::TOwner* owner)
{
    auto object = std::make_unique<T>();
    T* tool = object.get();
    owner->listener = tool;
    owner->dispatch = [tool](quint32 type, const QByteArray& body) { tool->Dispatch(type, body); };
    owner->object = std::move(object);
}

} // namespace

QStringList CNoticeOwners::Kinds()
{
    return {QStringLiteral("engine"),      QStringLiteral("agent"),    QStringLiteral("duplicates"),
            QStringLiteral("cleaner"),     QStringLiteral("exchange"), QStringLiteral("vm"),
            QStringLiteral("spacereports")};
}

bool CNoticeOwners::Make(const QString& kind, TOwner* owner)
{
    if (kind == u"engine")
        MakeWrapper<CKV100EngineInterface>(owner);
    else if (kind == u"agent")
        MakeWrapper<CKV100AgentInterface>(owner);
    else if (kind == u"exchange")
        MakeWrapper<CKV100ExchangeInterface>(owner);
    else if (kind == u"vm")
        MakeWrapper<CKV100VirtualPCInterface>(owner);
    else if (kind == u"duplicates")
        MakeTool<CKVDuplicateScannerInterface>(owner);
    else if (kind == u"cleaner")
        MakeTool<CKVTempRecycleCleanInterface>(owner);
    else if (kind == u"spacereports") {
        auto object = std::make_unique<CKV100SpaceReportsInterface>();
        CKVSpaceReportsListener* listener = &object->Listener();
        owner->listener = listener;
        owner->dispatch = [listener](quint32 type, const QByteArray& body) {
            listener->Dispatch(type, body);
        };
        owner->object = std::move(object);
    } else
        return false;
    return true;
}
