#include "DashboardFixture.h"

#include "dashboard/ShortcutSettingsSection.h"
#include "ui/GlobalShortcuts.h"
#include "ui/PortalShortcuts.h"
#include "ui/X11KeyGrabs.h"

#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace brivet;
using namespace brivet::testing;

namespace {

// The X server as the test sets it: which chords another program holds;
// records what it was asked to grab.
class ScriptedKeyGrabs final : public X11KeyGrabs {
public:
    std::vector<std::string> heldElsewhere;
    std::vector<std::vector<std::string>> asked;

    ScriptedKeyGrabs()
        : X11KeyGrabs(nullptr)
    {
    }
    std::vector<Outcome> grab(const std::vector<Request>& requests) override
    {
        std::vector<Outcome> outcomes;
        asked.emplace_back();
        for (const Request& request : requests) {
            std::string keys = request.chord.toString();
            asked.back().push_back(request.id.toStdString() + "=" + keys);
            bool held = std::find(heldElsewhere.begin(), heldElsewhere.end(), keys) != heldElsewhere.end();
            outcomes.push_back({ request.id, held ? Result::heldElsewhere : Result::taken });
        }
        return outcomes;
    }
};

class ShortcutSettingsTest : public DashboardTest {
protected:
    std::vector<std::string> log;
    ScriptedKeyGrabs* grabs = nullptr;
    std::unique_ptr<GlobalShortcuts> shortcuts;

    void startShortcuts(std::vector<std::string> held)
    {
        auto scripted = std::make_unique<ScriptedKeyGrabs>();
        scripted->heldElsewhere = std::move(held);
        grabs = scripted.get();
        shortcuts = std::make_unique<GlobalShortcuts>(
            std::vector<GlobalShortcuts::Action> { { "new-note", "新建悬笺", "Alt+Meta+N" },
                { "open-panel", "打开面板", "Alt+Meta+P" } },
            [this](const std::string& line) { log.push_back(line); }, nullptr, std::move(scripted));
        shortcuts->start(state().preferences().globalShortcuts);
    }
};

TEST_F(ShortcutSettingsTest, GrabbedKeysAreEditableAndAKeyHeldElsewhereSaysSo)
{
    launch({});
    startShortcuts({ "Alt+Meta+P" });
    ASSERT_EQ(shortcuts->backend(), GlobalShortcuts::Backend::keyGrabs);
    ShortcutSettingsSection section(state(), shortcuts.get());

    QKeySequenceEdit* newNote = section.keyEditor("new-note");
    ASSERT_NE(newNote, nullptr);
    EXPECT_EQ(newNote->accessibleName(), QStringLiteral("新建悬笺"));
    ASSERT_NE(newNote->findChild<QLineEdit*>(), nullptr);
    EXPECT_EQ(newNote->findChild<QLineEdit*>()->accessibleName(), QStringLiteral("新建悬笺")) << "where focus lands";
    EXPECT_EQ(newNote->keySequence(), QKeySequence(Qt::META | Qt::ALT | Qt::Key_N));
    EXPECT_TRUE(section.keyNote("new-note")->isHidden());
    EXPECT_EQ(section.keyNote("open-panel")->text(), QStringLiteral("已被其他程序占用，请换一个组合"));
    EXPECT_FALSE(section.configureButton()->isVisibleTo(&section));
    EXPECT_TRUE(section.resetButton()->isVisibleTo(&section));
    // Said once, however often the keys are taken again.
    auto heldLines = [&] {
        return std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.find("held by another") != std::string::npos; });
    };
    EXPECT_EQ(heldLines(), 1);

    // Another key for the panel: stored, taken, shown.
    section.keyEditor("open-panel")->setKeySequence(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F8));
    emit section.keyEditor("open-panel")->editingFinished();
    EXPECT_EQ(state().preferences().globalShortcuts.at("open-panel"), "Ctrl+Alt+F8");
    EXPECT_EQ(grabs->asked.back(), (std::vector<std::string> { "new-note=Alt+Meta+N", "open-panel=Ctrl+Alt+F8" }));
    EXPECT_TRUE(section.keyNote("open-panel")->isHidden());
    EXPECT_EQ(heldLines(), 1);

    // A key without Ctrl, Alt or Super would take typing from every
    // program: refused, nothing stored.
    section.keyEditor("new-note")->setKeySequence(QKeySequence(Qt::SHIFT | Qt::Key_N));
    emit section.keyEditor("new-note")->editingFinished();
    EXPECT_EQ(state().preferences().globalShortcuts.count("new-note"), 0u);
    EXPECT_TRUE(section.findChild<QLabel*>("shortcutProblem")->text().contains(QStringLiteral("须含")));
    EXPECT_EQ(section.keyEditor("new-note")->keySequence(), QKeySequence(Qt::META | Qt::ALT | Qt::Key_N));

    // Another action's key: refused with a reason, the action keeps its own.
    section.keyEditor("new-note")->setKeySequence(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F8));
    emit section.keyEditor("new-note")->editingFinished();
    EXPECT_EQ(section.findChild<QLabel*>("shortcutProblem")->text(), QStringLiteral("这个组合已是“打开面板”的快捷键。"));
    EXPECT_EQ(state().preferences().globalShortcuts.count("new-note"), 0u);
    EXPECT_EQ(section.keyEditor("new-note")->keySequence(), QKeySequence(Qt::META | Qt::ALT | Qt::Key_N));

    section.resetButton()->click();
    EXPECT_TRUE(state().preferences().globalShortcuts.empty());
    EXPECT_EQ(grabs->asked.back(), (std::vector<std::string> { "new-note=Alt+Meta+N", "open-panel=Alt+Meta+P" }));
}

TEST_F(ShortcutSettingsTest, WithoutPortalOrXServerTheSectionSaysSoAndOffersNoEditing)
{
    launch({});
    GlobalShortcuts none(
        { { "new-note", "新建悬笺", "Alt+Meta+N" } }, [](const std::string&) {}, nullptr, nullptr);
    none.start({});
    EXPECT_EQ(none.backend(), GlobalShortcuts::Backend::none);
    ShortcutSettingsSection section(state(), &none);
    EXPECT_EQ(section.statusLabel()->text(), QStringLiteral("当前桌面不支持全局快捷键。"));
    EXPECT_FALSE(section.keyEditor("new-note")->isVisibleTo(&section));
    EXPECT_FALSE(section.resetButton()->isVisibleTo(&section));

    // The portal is preferred wherever it answers.
    EXPECT_EQ(GlobalShortcuts::choose(1u, true), GlobalShortcuts::Backend::portal);
    EXPECT_EQ(GlobalShortcuts::choose(std::nullopt, true), GlobalShortcuts::Backend::keyGrabs);
    EXPECT_EQ(GlobalShortcuts::choose(std::nullopt, false), GlobalShortcuts::Backend::none);
}

} // namespace
