#pragma once

#include <QSortFilterProxyModel>

// The tree of a CFragDirModel with, unless every file is asked for, only the fragmented files
// (two fragments or more). Directories always stay: what they hold is known only once read.
class CFragmentedFilesProxy : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit CFragmentedFilesProxy(QObject* parent = nullptr);

    bool ShowsAll() const { return m_showAll; }

public slots:
    void UpdateFileFilter(bool showAll);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    bool m_showAll = false;
};
