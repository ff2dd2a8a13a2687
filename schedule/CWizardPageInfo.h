#pragma once

#include <QLabel>
#include <QWidget>

// The explanatory text of a wizard page: a word-wrapped label that keeps to the width it is
// given and grows in height with its text.
class CWizardPageInfoLabel : public QLabel {
    Q_OBJECT

public:
    explicit CWizardPageInfoLabel(const QString& text = QString(), QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;
};

// A page's explanation with the information mark before it, at the head of the page.
class CWizardPageInfo : public QWidget {
    Q_OBJECT

public:
    explicit CWizardPageInfo(const QString& text = QString(), QWidget* parent = nullptr);

    void SetText(const QString& text);
    QString Text() const;
    CWizardPageInfoLabel* Label() const { return m_label; }

private:
    CWizardPageInfoLabel* m_label;
};
