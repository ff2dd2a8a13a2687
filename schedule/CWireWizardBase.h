#pragma once

#include "core/CTranslatable.h"
#include "schedule/CWireRecord.h"

#include <QDialog>
#include <QVector>

class CWirePageBase;
class CWireProgress;
class QLabel;
class QPushButton;
class QStackedWidget;

// The frame of a schedule wizard: the page markers at the side, one page at a time, and the
// buttons "< Back", "Next >", "Finish" and "Close". The wizard works on one schedule record:
// a page is loaded from it when shown and stores its choice into it when left; "Next >" (and
// Enter) moves on only when the page validates, "Finish" validates and then stores every page
// and closes accepted, "Close" (and Escape) closes rejected. Wizards of a kind add their pages
// in order with AddPage.
class CWireWizardBase : public QDialog, public CTranslatable {
    Q_OBJECT

public:
    enum TWizardType {
        kOneTime,
        kDaily,
        kWeekly,
        kScreenSaver,
        kQuietWatch,
        kRename,
        kExchangeOneTime,
        kExchangeWeekly,
        kGuestOneTime,
        kGuestDaily,
        kGuestWeekly,
    };

    CWireWizardBase(TWizardType type, TWireRecord record, QByteArray context,
                    QWidget* parent = nullptr);

    TWizardType Type() const { return m_type; }
    bool Editing() const { return m_editing; }

    // Appends a page (the wizard takes it) and loads it from the record.
    void AddPage(CWirePageBase* page);
    int PageCount() const { return int(m_pages.size()); }
    CWirePageBase* Page(int index) const;
    int CurrentIndex() const { return m_current; }
    CWirePageBase* CurrentPage() const { return Page(m_current); }
    bool IsHidden(const CWirePageBase* page) const;

    // The record as the pages last stored it.
    const TWireRecord& Record() const { return m_record; }
    // Replaces the record and loads it into every page.
    void SetRecord(const TWireRecord& record);

    // The header above the pages.
    void SetHeader(const QString& header);
    QString Header() const;

    CWireProgress* Progress() const { return m_progress; }
    QPushButton* BackButton() const { return m_back; }
    QPushButton* NextButton() const { return m_next; }
    QPushButton* FinishButton() const { return m_finish; }
    QPushButton* CloseButton() const { return m_close; }

signals:
    // The wizard finished: every page has stored its choice into the record.
    void Finish();
    // The wizard moved on to the next page after the current one validated.
    void Next();

public slots:
    // Takes a page out of the sequence: no marker, Next and Back pass over it. A current page
    // gives way to the next visible page (or the previous one).
    void HidePage(CWirePageBase* page);
    // Puts a hidden page back into the sequence.
    void ShowPage(CWirePageBase* page);
    // Enables the buttons by the current page's place among the visible pages.
    void UpdateWizardButtons();
    // A page's choice changed: its marker's summary follows.
    void PageChanged(int index);
    // The sending page's (or else the current page's) choice changed.
    void PageChanged();
    // Validates the current page and moves to the next visible one; a refusal is shown and the
    // page stays.
    void Forward();
    // Enter: Forward, or TestFinish on the last page.
    void EnterKey();
    // Stores the current page as it stands and moves to the previous visible page.
    void Back();
    // Validates the current page, then every page stores into the record and the wizard
    // closes accepted; another page that refuses its choice is shown with its message instead.
    void TestFinish();
    // An existing schedule is edited: the pages word their refusals by it.
    void SetEdit();
    // The buttons for a place in the sequence: the first page has no "< Back", the last no
    // "Next >" and the only one with "Finish".
    void SetPosition(bool first, bool last);
    // Shows a visible page (loading it from the record) and gives its first field the focus.
    void SetIndex(int index);
    void Accept();
    void Reject();
    // Every page stores its choice into the record.
    void SaveSettings();
    // Every page loads its part of the record.
    void LoadSettings();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int NextVisible(int from, int step) const;
    // Shows a page's refusal; answers whether the page may be left.
    bool ValidatePage(CWirePageBase* page);
    void FocusFirstField(CWirePageBase* page);

    TWizardType m_type;
    TWireRecord m_record;
    bool m_editing = false;
    QVector<CWirePageBase*> m_pages;
    QVector<bool> m_hidden;
    int m_current = -1;
    CWireProgress* m_progress;
    QLabel* m_header;
    QLabel* m_title;
    QStackedWidget* m_stack;
    QPushButton* m_back;
    QPushButton* m_next;
    QPushButton* m_finish;
    QPushButton* m_close;
};
