#include "ui/FocusRing.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

using namespace brivet;

namespace {

// A window with a field and a button over a tall scroll area whose content
// has a button of its own, active so that focus moves as a user's does.
struct RingedWindow {
    std::unique_ptr<QWidget> host = std::make_unique<QWidget>();
    QLineEdit* field = new QLineEdit(host.get());
    QPushButton* button = new QPushButton(QStringLiteral("确定"), host.get());
    QScrollArea* scroll = new QScrollArea(host.get());
    QPushButton* scrolled = new QPushButton(QStringLiteral("滚动"));

    RingedWindow()
    {
        host->resize(300, 300);
        field->setGeometry(20, 20, 200, 30);
        button->setGeometry(20, 60, 100, 30);
        scroll->setGeometry(20, 120, 260, 150);
        auto* content = new QWidget;
        content->resize(240, 600);
        scrolled->setParent(content);
        scrolled->setGeometry(10, 20, 100, 40);
        scroll->setWidget(content);
        host->show();
        host->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(host.get()));
    }
    void focus(QWidget* control)
    {
        control->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }
    QRect inHost(QWidget* control) const { return QRect(control->mapTo(host.get(), QPoint()), control->size()); }
    QRect viewport() const { return inHost(scroll->viewport()); }
};

QColor red(const QWidget*)
{
    return Qt::red;
}

TEST(FocusRing, RingsTheControlsItIsToldToAtItsGapAndNotThoseThatDrawTheirOwn)
{
    RingedWindow window;
    FocusRingOptions options;
    options.rings = [](const QWidget* control) { return qobject_cast<const QPushButton*>(control) != nullptr; };
    options.gap = 2;
    FocusRing ring(window.host.get(), red, options);

    window.focus(window.button);
    EXPECT_EQ(ring.target(), window.button);
    EXPECT_TRUE(ring.isVisible());
    EXPECT_EQ(ring.geometry(), window.inHost(window.button).adjusted(-4, -4, 4, 4)) << "2px gap, then the 2px ring";
    EXPECT_EQ(ring.ringRect(), ring.geometry());
    // It moves with its control.
    window.button->move(40, 70);
    QCoreApplication::processEvents();
    EXPECT_EQ(ring.geometry(), window.inHost(window.button).adjusted(-4, -4, 4, 4));

    window.focus(window.field);
    EXPECT_EQ(ring.target(), nullptr) << "not a control this ring is for";
    EXPECT_FALSE(ring.isVisible());

    FocusRing::drawsOwnRing(window.button);
    window.focus(window.button);
    EXPECT_EQ(ring.target(), nullptr);
    EXPECT_FALSE(ring.isVisible());

    // Without a predicate, every control, fields too.
    FocusRing every(window.host.get(), red);
    window.focus(window.field);
    EXPECT_EQ(every.target(), window.field);
    EXPECT_EQ(every.geometry(), window.inHost(window.field).adjusted(-2, -2, 2, 2));
    window.field->hide();
    QCoreApplication::processEvents();
    EXPECT_FALSE(every.isVisible()) << "a hidden control's ring goes with it";
}

TEST(FocusRing, IsCutAtTheScrollAreaAndFollowsTheScroll)
{
    RingedWindow window;
    FocusRing ring(window.host.get(), red);
    FocusRingOptions reaching;
    reaching.overhang = FocusRing::width;
    FocusRing over(window.host.get(), red, reaching);

    window.focus(window.scrolled);
    ASSERT_EQ(ring.target(), window.scrolled);
    QRect control = window.inHost(window.scrolled);
    EXPECT_EQ(ring.ringRect(), control.adjusted(-2, -2, 2, 2));

    // Scrolled half out at the top: only the part inside the view shows,
    // and the one allowed to reach past the view's edge does by its ring.
    window.scroll->verticalScrollBar()->setValue(40);
    QCoreApplication::processEvents();
    control = window.inHost(window.scrolled);
    ASSERT_LT(control.top(), window.viewport().top());
    EXPECT_EQ(ring.ringRect(), control.adjusted(-2, -2, 2, 2) & window.viewport());
    EXPECT_EQ(over.ringRect(), control.adjusted(-2, -2, 2, 2) & window.viewport().adjusted(-2, -2, 2, 2));
    EXPECT_EQ(ring.geometry(), control.adjusted(-2, -2, 2, 2)) << "the ring keeps its shape, cut";

    window.scroll->verticalScrollBar()->setValue(300);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ring.isVisible());
    EXPECT_TRUE(ring.ringRect().isEmpty());
    window.scroll->verticalScrollBar()->setValue(0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(ring.isVisible());
}

} // namespace
