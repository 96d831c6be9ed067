#pragma once

#include <QFrame>

namespace brivet {

// Shown in place of the primary card when there is no execution note.
class MenuBarEmptyExecutionCard final : public QFrame {
    Q_OBJECT
public:
    explicit MenuBarEmptyExecutionCard(QWidget* parent = nullptr);
};

} // namespace brivet
