#pragma once

#include "schedule/CWirePageBase.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QRadioButton;

// How a drive schedule defragments: the online pass with its method (the drive's own settings
// or one chosen here), the offline pass over system files, and the free space reclaimed first.
class CDefragMethodPage : public CWirePageBase {
    Q_OBJECT

public:
    explicit CDefragMethodPage(QWidget* parent = nullptr);

    QString Title() const override;
    QString Summary() const override;
    void Load(const TWireRecord& record) override;
    void Store(TWireRecord* record) const override;
    QString Validate() const override;
    QWidget* FirstField() const override;

    QGroupBox* OnlineGroup() const { return m_online; }
    QGroupBox* OfflineGroup() const { return m_offline; }
    QGroupBox* ReclaimGroup() const { return m_reclaim; }
    QRadioButton* DriveDefaultButton() const { return m_driveDefault; }
    QRadioButton* OverrideButton() const { return m_override; }
    // The button of a method the page offers (0, 1 or 2); null for others.
    QAbstractButton* MethodButton(quint32 method) const;
    QCheckBox* PagingFilesBox() const { return m_pagingFiles; }
    QCheckBox* SystemFilesBox() const { return m_systemFiles; }
    QCheckBox* RecycleBinBox() const { return m_recycleBin; }
    QCheckBox* TemporaryFilesBox() const { return m_temporaryFiles; }

signals:
    // The online pass was chosen or given up (also when a record is loaded).
    void OnlineSelected(bool online);

private:
    quint32 Method() const;
    void UpdateMethodButtons();

    QGroupBox* m_online;
    QRadioButton* m_driveDefault;
    QRadioButton* m_override;
    QButtonGroup* m_methods;
    QGroupBox* m_offline;
    QCheckBox* m_pagingFiles;
    QCheckBox* m_systemFiles;
    QGroupBox* m_reclaim;
    QCheckBox* m_recycleBin;
    QCheckBox* m_temporaryFiles;
    // What the record held that this page does not offer, kept as it was.
    quint32 m_loadedMethod = 0;
    quint32 m_otherPasses = 0;
    quint32 m_otherOfflineOptions = 0;
    quint32 m_otherFreeSpaceOptions = 0;
};
