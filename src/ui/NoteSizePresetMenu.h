#pragma once

#include "model/Enums.h"

#include <QMenu>

namespace brivet {

// The three note sizes, smallest first, each titled with its menu label
// ("小号 · 344 × 248"); picking one emits presetChosen.
class NoteSizePresetMenu final : public QMenu {
    Q_OBJECT
public:
    explicit NoteSizePresetMenu(QWidget* parent = nullptr);

signals:
    void presetChosen(brivet::NoteSizePreset preset);
};

} // namespace brivet
