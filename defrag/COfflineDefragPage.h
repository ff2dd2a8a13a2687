#pragma once

#include "defrag/CDiskNoteBookPage.h"

class QCheckBox;

// The system files the boot-time pass defragments, and whether it runs at every restart. Each
// box stands for a set of the engine's file kinds: partly checked while only some of them are
// set, and saving a partly checked box leaves its kinds as the engine has them.
class COfflineDefragPage : public CDiskNoteBookPage {
    Q_OBJECT

public:
    // The engine's file kinds of the two boxes.
    static constexpr uint kMetadataKinds = 0x1 | 0x2 | 0x4; // MFT, metadata, hibernate file
    static constexpr uint kPagingFileKinds = 0x8;

    explicit COfflineDefragPage(const TDrivePropertiesContext& context, QWidget* parent = nullptr);

    QString Label() const override;
    QString HelpTopic() const override;

    QCheckBox* Metadata() const { return m_metadata; }
    QCheckBox* PagingFile() const { return m_pagingFile; }
    QCheckBox* EveryReboot() const { return m_everyReboot; }

    // The kinds after the boxes are applied to those of the engine.
    static uint Merge(uint kinds, Qt::CheckState metadata, Qt::CheckState pagingFile);

public slots:
    HRESULT Load(std::wstring drive_guid) override;
    HRESULT Save(std::wstring drive_guid) override;
    bool Verify() override;

private:
    QCheckBox* m_metadata;
    QCheckBox* m_pagingFile;
    QCheckBox* m_everyReboot;
};
