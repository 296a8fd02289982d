#pragma once

#include "transfer/book_merge.h"

#include <QDialog>

#include <vector>

class QPushButton;
class QTreeWidget;

// Find Duplicates...: each group of contacts that are one person, under the contact it would
// become, with a tick (all ticked at first); Merge merges the ticked groups, Cancel none.
class DuplicatesDialog : public QDialog {
    Q_OBJECT

public:
    DuplicatesDialog(const std::vector<transfer::DuplicateGroup>& groups, QWidget* parent);

    // Whether each group, in the order given, is ticked.
    std::vector<bool> ticked() const;

    QTreeWidget* groups() const { return groups_; }
    QPushButton* mergeButton() const { return merge_; }

private:
    void tickChanged();

    QTreeWidget* groups_;
    QPushButton* merge_;
};
