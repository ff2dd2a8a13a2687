#pragma once

#include "core/CTranslatable.h"
#include "widgets/CRibbonBar.h"
#include "widgets/CRibbonButton.h"

#include <QKeySequence>
#include <QPointer>

class CRibbonGroup;

// What the bars of the feature tabs share: translated groups and buttons, the skin's images
// (re-applied whenever the application controller changes the skin), and following the signals
// of a feature controller by name, since the feature controller interfaces are not QObjects.
class CRibbonFeatureBar : public CRibbonBar, public CTranslatable {
    Q_OBJECT

public:
    // The image folder of the current controller's skin; the default skin's without one.
    static QString CurrentImageFolder();

public slots:
    // Applies the images of the current skin and repaints.
    void OnSkinChanged();
    // Connects to the signals of the feature controllers registered now. Runs when the bar is
    // built, shown, and when the application controller connects or activates a pane, since
    // the feature tabs register themselves whenever they are built.
    void UpdateFollowedControllers() { FollowControllers(); }

protected:
    CRibbonFeatureBar(QByteArray context, QWidget* parent);

    CRibbonGroup* AddNewGroup(const char* title);

    // A button whose click runs SLOT of this bar.
    template <typename Bar>
    CRibbonButton* AddNewButton(CRibbonGroup* group, const char* text, const char* toolTip,
                                const QString& image, void (Bar::*slot)(),
                                const QKeySequence& keys = {})
    {
        CRibbonButton* button = NewButton(group, text, toolTip, image, keys);
        connect(button, &CRibbonButton::clicked, static_cast<Bar*>(this), slot);
        return button;
    }

    // Places a bar inside this one, e.g. the part of the bar that belongs to a sub-pane.
    void Embed(CRibbonBar* bar);

    // Connects the signal named SIGNALNAME of SOURCE to SLOTSIGNATURE of this bar ("Started()"),
    // when SOURCE has such a signal with arguments the slot accepts. Answers whether it did.
    bool FollowSignal(QObject* source, const char* signalName, const char* slotSignature);
    // Makes OBJECT the followed controller in FOLLOWED, letting go of the one before. Answers
    // true when OBJECT is a new controller whose signals are to be connected.
    bool StartFollowing(QPointer<QObject>& followed, QObject* object);
    // See UpdateFollowedControllers.
    virtual void FollowControllers() {}

    void showEvent(QShowEvent* event) override;

private:
    CRibbonButton* NewButton(CRibbonGroup* group, const char* text, const char* toolTip,
                             const QString& image, const QKeySequence& keys);
};
