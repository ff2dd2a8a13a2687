#pragma once

#include "defrag/CDiskNoteBookPage.h"

class QComboBox;
class QFormLayout;
class QLabel;

// What the engine knows of a volume, read only, and the drive type the user sets in place of
// the detected one. Names the notebook after the volume.
class CDriveInfoPage : public CDiskNoteBookPage {
    Q_OBJECT

public:
    explicit CDriveInfoPage(const TDrivePropertiesContext& context, QWidget* parent = nullptr);

    QString Label() const override;
    QString HelpTopic() const override;

    // The value shown beside a field's label ("Drive:", "GUID:", ...); empty for others.
    QString Field(const QString& label) const;
    QComboBox* OverrideType() const { return m_override; }

public slots:
    HRESULT Load(std::wstring drive_guid) override;
    // Leaves the override alone when it could not be read and the user chose nothing else.
    HRESULT Save(std::wstring drive_guid) override;
    bool Verify() override;

private:
    void AddField(QFormLayout* form, const char* label);
    void SetField(const char* label, const QString& value);

    QComboBox* m_override;
    // The engine told the override when the page was loaded.
    bool m_knowsOverride = false;
    QList<QPair<QString, QLabel*>> m_fields;
};
