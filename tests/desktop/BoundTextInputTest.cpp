#include "DesktopFixture.h"

#include "ui/BoundTextInputs.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTextDocument>

namespace brivet::testing {
namespace {

TEST(BoundTextInputTest, PastedRichTextArrivesPlainAndAutofocusHappensOnce)
{
    BoundPlainTextEdit input;
    input.setEditable(true);
    auto* styled = new QMimeData;
    styled->setHtml("<b>粗体</b>");
    styled->setText("粗体");
    QApplication::clipboard()->setMimeData(styled);
    input.paste();
    EXPECT_EQ(input.toPlainText(), QStringLiteral("粗体"));
    EXPECT_FALSE(input.document()->toHtml().contains("font-weight:700"));

    QWidget window;
    auto* field = new BoundLineEdit(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    field->setAutofocus(true);
    field->setBoundText("x");
    QCoreApplication::processEvents();
    EXPECT_TRUE(field->hasFocus());
    field->clearFocus();
    field->setBoundText("y");
    QCoreApplication::processEvents();
    EXPECT_FALSE(field->hasFocus()) << "autofocus happens once per input";
}

TEST(BoundTextInputTest, BoundValueNeverDisturbsTyping)
{
    QWidget window;
    auto* field = new BoundLineEdit(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    field->setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(field->hasFocus());
    std::vector<bool> focusChanges;
    QObject::connect(field, &BoundLineEdit::focusChanged, [&](bool focused) { focusChanges.push_back(focused); });
    typeText(field, QStringLiteral("正在打字"));
    field->setBoundText("外部的值");
    EXPECT_EQ(field->text(), QStringLiteral("正在打字"));
    field->clearFocus();
    EXPECT_EQ(focusChanges, (std::vector<bool> { false }));
    field->setBoundText("外部的值");
    EXPECT_EQ(field->text(), QStringLiteral("外部的值"));
}

} // namespace
} // namespace brivet::testing
