#pragma once

#include <QList>
#include <QWidget>

class CRibbonGroup;
class QHBoxLayout;

// The page of a ribbon tab: its groups from left to right. The skin's style sheet paints its
// background.
class CRibbonBar : public QWidget {
    Q_OBJECT

public:
    explicit CRibbonBar(QWidget* parent = nullptr);

    void AddGroup(CRibbonGroup* group);
    // The groups added to this bar, in their order.
    QList<CRibbonGroup*> Groups() const { return m_groups; }
    // Places another widget after the groups added so far, such as a bar embedded in this one
    // (see Embed) or a stack of bars of which one is shown at a time.
    void AddWidget(QWidget* widget);
    // Makes this bar a part of another one: no background or margins of its own, and no wider
    // than its groups.
    void SetEmbedded();

    // Applies the skin's images to every ribbon button inside the bar.
    virtual void ApplySkin(const QString& imageFolder);

private:
    QHBoxLayout* m_layout;
    QList<CRibbonGroup*> m_groups;
};
