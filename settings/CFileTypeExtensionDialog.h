#pragma once

#include "core/CTranslatable.h"

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QListWidget;
class QPushButton;

// The editor of one file-type group's extensions: on the left the known extensions the group
// does not hold, on the right the group's own. ">>" moves the selected ones into the group, "<<"
// takes them out, and a new extension can be typed and added to the group.
class CFileTypeExtensionDialog : public QDialog, public CTranslatable {
    Q_OBJECT

public:
    // known: every extension the console knows of; group: the group's current list.
    CFileTypeExtensionDialog(const QString& groupName, const QStringList& known,
                             const QStringList& group, QWidget* parent = nullptr);

    // The group's list as the dialog holds it.
    QStringList Extensions() const;
    // An extension as it is kept: without a leading dot or blanks; empty when it is not one (a
    // path, a wildcard or blanks inside).
    static QString Normalized(const QString& typed);

    QListWidget& Available() const { return *m_available; }
    QListWidget& Chosen() const { return *m_chosen; }
    QLineEdit& NewExtension() const { return *m_newExtension; }

public slots:
    void AddSelected();
    void RemoveSelected();
    void AddTyped();

private:
    void UpdateButtons();
    static void Move(QListWidget& from, QListWidget& to);

    QListWidget* m_available;
    QListWidget* m_chosen;
    QLineEdit* m_newExtension;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_addTyped;
};
