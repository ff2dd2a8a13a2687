#pragma once

#include <QAbstractButton>
#include <QButtonGroup>

// Checks the group's button of that id. When the group has no such button (a record holds a
// value the page does not offer) no button stays checked, which an exclusive group allows only
// while it is briefly not exclusive.
inline void CheckGroupButton(QButtonGroup* group, int id)
{
    if (QAbstractButton* button = group->button(id)) {
        button->setChecked(true);
        return;
    }
    const bool exclusive = group->exclusive();
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(exclusive);
}
