#pragma once

#include "core/CTranslatable.h"
#include "schedule/CWireRecord.h"

#include <QWidget>

// One page of a schedule wizard: it shows its part of the record, gives a one-line summary of
// its choice, says whether that choice may be kept, and stores it into the record. The wizard
// loads a page each time it is shown and stores every page when it finishes or saves a template.
class CWirePageBase : public QWidget, public CTranslatable {
    Q_OBJECT

public:
    explicit CWirePageBase(QByteArray context, QWidget* parent = nullptr);

    // An existing schedule is being edited (the date pages word their refusals by it).
    void SetEditing(bool editing) { m_editing = editing; }
    bool Editing() const { return m_editing; }

    // The page's title in the wizard and by its marker.
    virtual QString Title() const = 0;
    // The current choice in a line (the marker's text).
    virtual QString Summary() const = 0;
    // Shows the record's part of this page.
    virtual void Load(const TWireRecord& record) = 0;
    // Writes the page's choice into the record as it stands (a template is saved from pages
    // that may not have been validated yet).
    virtual void Store(TWireRecord* record) const = 0;
    // Empty when the choice may be kept, else the message to show (the page stays).
    virtual QString Validate() const = 0;
    // The field that takes the focus when the page is shown; none leaves it to the wizard.
    virtual QWidget* FirstField() const { return nullptr; }

signals:
    // A choice changed: the wizard updates its buttons and the marker's summary.
    void Changed();

private:
    bool m_editing = false;
};
