#pragma once

#include <QToolButton>

namespace brivet {

// The tray panel's buttons. A class of their own so the panel's accessible
// interface describes them instead of Qt's, whose "ShowMenu" action on a
// button that opens its menu when pressed opens nothing.
class PanelButton final : public QToolButton {
    Q_OBJECT
public:
    using QToolButton::QToolButton;
};

} // namespace brivet
