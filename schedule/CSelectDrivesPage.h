#pragma once

#include "core/Types.h"
#include "schedule/CWirePageBase.h"

#include <QString>
#include <QVector>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QTreeWidget;
class QTreeWidgetItem;

// The drives a drive schedule processes, all of them or those checked in the tree, and whether
// they are done one after another, at the same time or as the engine decides.
class CSelectDrivesPage : public CWirePageBase {
    Q_OBJECT

public:
    struct TDrive {
        TString volumeId;
        QString mountPoint;
        QString label;
    };
    using TDrives = QVector<TDrive>;

    explicit CSelectDrivesPage(TDrives drives, QWidget* parent = nullptr);

    QString Title() const override;
    QString Summary() const override;
    void Load(const TWireRecord& record) override;
    void Store(TWireRecord* record) const override;
    QString Validate() const override;
    QWidget* FirstField() const override;

    QCheckBox* AllDrivesBox() const { return m_allDrives; }
    QTreeWidget* DriveTree() const { return m_tree; }
    // The sequence button of an option (0 series, 1 parallel, 2 auto).
    QAbstractButton* SequenceButton(int option) const;

private:
    QTreeWidgetItem* AddItem(const TString& volumeId, const QString& text);
    void UpdateTree();
    TStringList CheckedDrives() const;
    QString DriveText(const TDrive& drive) const;

    TDrives m_drives;
    QCheckBox* m_allDrives;
    QTreeWidget* m_tree;
    QButtonGroup* m_sequence;
    // The option as loaded, kept when it is none of the three buttons and none was chosen.
    quint32 m_loadedOption = 0;
};
