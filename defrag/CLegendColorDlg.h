#pragma once

#include "core/CTranslatable.h"
#include "defrag/CBitmapColors.h"

#include <QColor>
#include <QDialog>

#include <array>
#include <functional>

class QTableWidget;

// "Drive Map Properties": the size of one map block of the current volume and the colours of
// the map's block codes, eleven rows each with its plain and fragmented picture. A row's colour
// is changed through the colour chooser (the platform's standard one unless replaced); OK
// writes all 13 colours to the user's hive, Cancel forgets the changes.
class CLegendColorDlg : public QDialog, public CTranslatable {
    Q_OBJECT

public:
    // The block codes of the rows, top to bottom.
    static constexpr std::array<quint32, 11> kRowCodes = {
        CBitmapColors::kRarelyModified,
        CBitmapColors::kOccasionallyModified,
        CBitmapColors::kRecentlyModified,
        CBitmapColors::kDirectory,
        CBitmapColors::kBoot,
        CBitmapColors::kExcluded,
        CBitmapColors::kFreeSpace,
        CBitmapColors::kMft,
        CBitmapColors::kMftZone,
        CBitmapColors::kMetadata,
        CBitmapColors::kUsed,
    };
    enum TColumn { kPlainColumn = 0, kFragmentedColumn, kNameColumn, kColumnCount };
    static inline const QString kHelpTopic = QStringLiteral("Bitmap_Properties.htm");

    // Asks the user for a colour, starting from the current one; an invalid colour means the
    // user cancelled.
    using TColorChooser = std::function<QColor(const QColor& initial, QWidget* parent)>;

    // volumeMegabytes: the size of the current volume (0 without one).
    explicit CLegendColorDlg(double volumeMegabytes, QWidget* parent = nullptr);

    // The colours as edited so far, indexed by code.
    const CBitmapColors::TTable& Colors() const { return m_colors; }
    void SetColorChooser(TColorChooser chooser) { m_chooser = std::move(chooser); }
    QTableWidget& Table() const { return *m_table; }

public slots:
    // The chooser for the row selected (nothing when none is).
    void ChangeSelectedColor();
    void ChangeColorRow(int row);
    void RestoreDefaults();
    // Writes the colours and closes the dialog as accepted.
    void Save();

private:
    void ShowRow(int row);

    CBitmapColors::TTable m_colors;
    TColorChooser m_chooser;
    QTableWidget* m_table;
};
