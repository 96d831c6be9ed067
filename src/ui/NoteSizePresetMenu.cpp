#include "ui/NoteSizePresetMenu.h"

#include "ui/CardColors.h"
#include "model/StickyNote.h"

namespace brivet {

NoteSizePresetMenu::NoteSizePresetMenu(QWidget* parent)
    : QMenu(parent)
{
    for (NoteSizePreset preset : allCases<NoteSizePreset>()) {
        QAction* action = addAction(qs(menuLabel(preset)));
        connect(action, &QAction::triggered, this, [this, preset] { emit presetChosen(preset); });
    }
}

} // namespace brivet
