#include "app/ribbon/CRibbonFeatureBar.h"

#include "appmodel/CModel.h"
#include "appmodel/IAppController.h"
#include "widgets/CRibbonButton.h"
#include "widgets/CRibbonGroup.h"

#include <QMetaMethod>

CRibbonFeatureBar::CRibbonFeatureBar(QByteArray context, QWidget* parent)
    : CRibbonBar(parent)
    , CTranslatable(std::move(context))
{
    if (IAppController* app = IAppController::Current()) {
        FollowSignal(app->Object(), "SkinChanged", "OnSkinChanged()");
        FollowSignal(app->Object(), "ComputerConnected", "UpdateFollowedControllers()");
        FollowSignal(app->Object(), "PaneActivated", "UpdateFollowedControllers()");
    }
}

QString CRibbonFeatureBar::CurrentImageFolder()
{
    IAppController* app = IAppController::Current();
    return app ? app->Model().Skin().imageFolder : CModel::TSkin().imageFolder;
}

void CRibbonFeatureBar::OnSkinChanged()
{
    ApplySkin(CurrentImageFolder());
    update();
}

CRibbonGroup* CRibbonFeatureBar::AddNewGroup(const char* title)
{
    auto* group = new CRibbonGroup(Translate(title), this);
    AddGroup(group);
    return group;
}

CRibbonButton* CRibbonFeatureBar::NewButton(CRibbonGroup* group, const char* text,
                                            const char* toolTip, const QString& image,
                                            const QKeySequence& keys)
{
    auto* button = new CRibbonButton(group);
    button->SetRibbonText(Translate(text));
    button->setToolTip(Translate(toolTip));
    button->SetImageName(image);
    button->ApplySkin(CurrentImageFolder());
    if (!keys.isEmpty())
        button->SetShortcutKeys(keys);
    group->AddButton(button);
    return button;
}

void CRibbonFeatureBar::Embed(CRibbonBar* bar)
{
    bar->SetEmbedded();
    AddWidget(bar);
}

bool CRibbonFeatureBar::FollowSignal(QObject* source, const char* signalName,
                                     const char* slotSignature)
{
    if (!source)
        return false;
    const QMetaObject* own = metaObject();
    const int slotIndex = own->indexOfSlot(QMetaObject::normalizedSignature(slotSignature));
    if (slotIndex < 0)
        return false;
    const QMetaMethod slot = own->method(slotIndex);
    // By name rather than by signature: the controllers spell their parameter types their own
    // way (TName, std::wstring).
    const QMetaObject* theirs = source->metaObject();
    for (int i = 0; i < theirs->methodCount(); ++i) {
        const QMetaMethod signal = theirs->method(i);
        if (signal.methodType() == QMetaMethod::Signal && signal.name() == signalName &&
            QMetaObject::checkConnectArgs(signal, slot)) {
            return bool(connect(source, signal, this, slot, Qt::UniqueConnection));
        }
    }
    return false;
}

bool CRibbonFeatureBar::StartFollowing(QPointer<QObject>& followed, QObject* object)
{
    if (followed == object)
        return false;
    if (followed)
        disconnect(followed, nullptr, this, nullptr);
    followed = object;
    return object != nullptr;
}

void CRibbonFeatureBar::showEvent(QShowEvent* event)
{
    FollowControllers();
    CRibbonBar::showEvent(event);
}
