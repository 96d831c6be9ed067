#include "support/qt/MenuDriving.h"

#include <QApplication>
#include <QMenu>
#include <QTimer>

namespace brivet::testing {

std::string joined(const QStringList& list)
{
    return list.join(QStringLiteral(", ")).toStdString();
}

bool whileMenuOpen(QMenu* menu, const std::function<void()>& open, const std::function<void(QMenu*)>& inMenu)
{
    bool opened = false;
    QObject::connect(
        menu, &QMenu::aboutToShow, menu,
        [&] {
            opened = true;
            QTimer::singleShot(0, menu, [&] {
                if (QApplication::activePopupWidget() == menu)
                    inMenu(menu);
                else
                    menu->hide();
            });
        },
        Qt::SingleShotConnection);
    open();
    // Deferred deletes too: a closed menu's actions may have removed what
    // the menu stood on.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    return opened;
}

} // namespace brivet::testing
