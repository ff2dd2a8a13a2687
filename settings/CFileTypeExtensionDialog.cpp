#include "settings/CFileTypeExtensionDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QListWidget* CFileTypeExtensionDialogList(const QStringList& items, QWidget* parent)
{
    auto* list = new QListWidget(parent);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSortingEnabled(true);
    list->addItems(items);
    return list;
}

} // namespace

CFileTypeExtensionDialog::CFileTypeExtensionDialog(const QString& groupName,
                                                   const QStringList& known,
                                                   const QStringList& group, QWidget* parent)
    : QDialog(parent)
    , CTranslatable("CFileTypeExtensionDialog")
{
    setWindowTitle(groupName);
    QStringList available;
    for (const QString& extension : known)
        if (!group.contains(extension, Qt::CaseInsensitive) &&
            !available.contains(extension, Qt::CaseInsensitive))
            available.append(extension);
    m_available = CFileTypeExtensionDialogList(available, this);
    m_chosen = CFileTypeExtensionDialogList(group, this);

    auto* instruction = new QLabel(
        Translate("Select additional extensions and file types from the left-hand panel and then "
                  "click on the <b> >> </b> button to add them to this group. To take extensions "
                  "out of the group, select them in the right-hand panel and click on the "
                  "<b> &lt;&lt; </b> button."),
        this);
    instruction->setTextFormat(Qt::RichText);
    instruction->setWordWrap(true);

    m_add = new QPushButton(u">>"_s, this);
    m_remove = new QPushButton(u"<<"_s, this);
    auto* moves = new QVBoxLayout;
    moves->addStretch(1);
    moves->addWidget(m_add);
    moves->addWidget(m_remove);
    moves->addStretch(1);

    m_newExtension = new QLineEdit(this);
    m_newExtension->setMaxLength(64);
    m_addTyped = new QPushButton(Translate("Add"), this);
    auto* typed = new QHBoxLayout;
    typed->addWidget(new QLabel(Translate("New extension:"), this));
    typed->addWidget(m_newExtension, 1);
    typed->addWidget(m_addTyped);

    auto* lists = new QGridLayout;
    lists->addWidget(new QLabel(Translate("Available extensions"), this), 0, 0);
    lists->addWidget(new QLabel(Translate("Extensions of this group"), this), 0, 2);
    lists->addWidget(m_available, 1, 0);
    lists->addLayout(moves, 1, 1);
    lists->addWidget(m_chosen, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(instruction);
    layout->addLayout(lists, 1);
    layout->addLayout(typed);
    layout->addWidget(buttons);

    connect(m_add, &QPushButton::clicked, this, &CFileTypeExtensionDialog::AddSelected);
    connect(m_remove, &QPushButton::clicked, this, &CFileTypeExtensionDialog::RemoveSelected);
    connect(m_addTyped, &QPushButton::clicked, this, &CFileTypeExtensionDialog::AddTyped);
    connect(m_newExtension, &QLineEdit::returnPressed, this, &CFileTypeExtensionDialog::AddTyped);
    connect(m_newExtension, &QLineEdit::textChanged, this,
            &CFileTypeExtensionDialog::UpdateButtons);
    connect(m_available, &QListWidget::itemSelectionChanged, this,
            &CFileTypeExtensionDialog::UpdateButtons);
    connect(m_chosen, &QListWidget::itemSelectionChanged, this,
            &CFileTypeExtensionDialog::UpdateButtons);
    connect(m_available, &QListWidget::itemDoubleClicked, this,
            &CFileTypeExtensionDialog::AddSelected);
    connect(m_chosen, &QListWidget::itemDoubleClicked, this,
            &CFileTypeExtensionDialog::RemoveSelected);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Enter in the typing field adds the extension; it must not close the dialog.
    for (QPushButton* button : {m_add, m_remove, m_addTyped})
        button->setAutoDefault(false);
    UpdateButtons();
    resize(520, 420);
}

QStringList CFileTypeExtensionDialog::Extensions() const
{
    QStringList extensions;
    for (int row = 0; row < m_chosen->count(); ++row)
        extensions.append(m_chosen->item(row)->text());
    return extensions;
}

QString CFileTypeExtensionDialog::Normalized(const QString& typed)
{
    QString extension = typed.trimmed();
    while (extension.startsWith(u'.'))
        extension.remove(0, 1);
    const bool clean = std::none_of(extension.cbegin(), extension.cend(), [](QChar c) {
        return c.isSpace() || c.unicode() < 0x20 || c == u'/' || c == u'\\' || c == u'*' ||
               c == u'?' || c == u'|';
    });
    return clean ? extension : QString();
}

void CFileTypeExtensionDialog::Move(QListWidget& from, QListWidget& to)
{
    for (QListWidgetItem* item : from.selectedItems())
        to.addItem(from.takeItem(from.row(item)));
}

void CFileTypeExtensionDialog::AddSelected()
{
    Move(*m_available, *m_chosen);
    UpdateButtons();
}

void CFileTypeExtensionDialog::RemoveSelected()
{
    Move(*m_chosen, *m_available);
    UpdateButtons();
}

void CFileTypeExtensionDialog::AddTyped()
{
    const QString extension = Normalized(m_newExtension->text());
    if (extension.isEmpty())
        return;
    // A known one moves over instead of appearing twice.
    const auto matching = m_available->findItems(extension, Qt::MatchFixedString);
    for (QListWidgetItem* item : matching)
        delete m_available->takeItem(m_available->row(item));
    if (m_chosen->findItems(extension, Qt::MatchFixedString).isEmpty())
        m_chosen->addItem(extension);
    m_newExtension->clear();
    UpdateButtons();
}

void CFileTypeExtensionDialog::UpdateButtons()
{
    m_add->setEnabled(!m_available->selectedItems().isEmpty());
    m_remove->setEnabled(!m_chosen->selectedItems().isEmpty());
    m_addTyped->setEnabled(!Normalized(m_newExtension->text()).isEmpty());
}
