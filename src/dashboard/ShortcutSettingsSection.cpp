#include "dashboard/ShortcutSettingsSection.h"

#include "dashboard/DashboardCard.h"
#include "model/KeyChord.h"
#include "state/AppState.h"
#include "ui/GlobalShortcuts.h"
#include "ui/Theme.h"
#include "ui/Widgets.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace brivet {

namespace {

QString statusText(GlobalShortcuts::Backend backend)
{
    switch (backend) {
    case GlobalShortcuts::Backend::starting: return QStringLiteral("正在查看桌面提供的快捷键服务…");
    case GlobalShortcuts::Backend::portal:
        return QStringLiteral("快捷键由桌面管理：按键在桌面的对话框中绑定，在任何程序中按下都有效。");
    case GlobalShortcuts::Backend::keyGrabs:
        return QStringLiteral("在任何程序中按下都有效。点按键框后按下新的组合即可更改，组合须含 Ctrl、Alt 或 Super 键。");
    case GlobalShortcuts::Backend::none: return QStringLiteral("当前桌面不支持全局快捷键。");
    }
    return {};
}

QString stateText(GlobalShortcuts::KeyState state)
{
    switch (state) {
    case GlobalShortcuts::KeyState::active: return {};
    case GlobalShortcuts::KeyState::heldElsewhere: return QStringLiteral("已被其他程序占用，请换一个组合");
    case GlobalShortcuts::KeyState::unbound: return QStringLiteral("未设置");
    case GlobalShortcuts::KeyState::unavailable: return QStringLiteral("键盘上没有这个键");
    }
    return {};
}

} // namespace

ShortcutSettingsSection::ShortcutSettingsSection(AppState& state, GlobalShortcuts* shortcuts, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_shortcuts(shortcuts)
{
    if (!m_shortcuts && QCoreApplication::instance())
        m_shortcuts = QCoreApplication::instance()->findChild<GlobalShortcuts*>(QString(), Qt::FindDirectChildrenOnly);
    setObjectName(QStringLiteral("shortcutSection"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    Theme colors = Theme::from(palette());
    m_section = new FormSection(QStringLiteral("快捷键"), this);
    outer->addWidget(m_section);
    m_status = makeLabel({}, 12, QFont::Normal, colors.secondaryText, m_section, LabelWrap::anywhere);
    m_status->setObjectName(QStringLiteral("shortcutStatus"));
    m_status->setContentsMargins(0, 8, 0, 4);
    m_section->addWidget(m_status);

    // What is wrong with a key reads as a fault, not as a hint.
    QColor problem = readableOn(colors.red, colors.card);
    if (m_shortcuts) {
        for (const GlobalShortcuts::Entry& entry : m_shortcuts->entries()) {
            auto* control = new QWidget(m_section);
            auto* line = new QHBoxLayout(control);
            line->setContentsMargins(0, 0, 0, 0);
            Row row;
            row.editor = new QKeySequenceEdit(control);
            row.editor->setAccessibleName(entry.title);
            // Focus and screen readers land on the editor's inner text field.
            if (auto* field = row.editor->findChild<QLineEdit*>())
                field->setAccessibleName(entry.title);
            row.editor->setMinimumWidth(150);
            row.note = makeLabel({}, 12, QFont::Normal, colors.secondaryText, control);
            row.note->setAccessibleName(entry.title + QStringLiteral("的状态"));
            row.note->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            // The note stands before the editor so the editors line up
            // in one column whatever the notes say.
            line->addWidget(row.note, 1);
            line->addWidget(row.editor);
            QString id = entry.id;
            connect(row.editor, &QKeySequenceEdit::editingFinished, this, [this, id] { choose(id); });
            m_rows[id] = row;
            m_section->addRow(entry.title, control);
        }
        connect(m_shortcuts, &GlobalShortcuts::changed, this, &ShortcutSettingsSection::refresh);
    }
    m_problem = makeLabel({}, 12, QFont::Normal, problem, m_section, LabelWrap::anywhere);
    m_problem->setObjectName(QStringLiteral("shortcutProblem"));
    m_problem->setContentsMargins(0, 4, 0, 4);
    m_section->addWidget(m_problem);

    auto* buttons = new QWidget(m_section);
    auto* buttonLine = new QHBoxLayout(buttons);
    buttonLine->setContentsMargins(0, 4, 0, 8);
    m_configure = new QPushButton(QStringLiteral("在桌面中设置快捷键"), buttons);
    m_configure->setObjectName(QStringLiteral("configureShortcuts"));
    connect(m_configure, &QPushButton::clicked, this, [this] {
        if (m_shortcuts)
            m_shortcuts->configureInDesktop();
    });
    m_reset = new QPushButton(QStringLiteral("恢复默认按键"), buttons);
    m_reset->setObjectName(QStringLiteral("resetShortcuts"));
    connect(m_reset, &QPushButton::clicked, this, [this] {
        m_problem->clear();
        m_state.updatePreferences([](AppPreferences& p) { p.globalShortcuts.clear(); });
        if (m_shortcuts)
            m_shortcuts->setChoices(m_state.preferences().globalShortcuts);
        refresh();
    });
    for (QPushButton* button : { m_configure, m_reset })
        makeClickable(button);
    buttonLine->addWidget(m_configure);
    buttonLine->addWidget(m_reset);
    buttonLine->addStretch(1);
    m_section->addWidget(buttons);
    refresh();
}

QKeySequenceEdit* ShortcutSettingsSection::keyEditor(const QString& id) const
{
    auto row = m_rows.find(id);
    return row == m_rows.end() ? nullptr : row->second.editor;
}

QLabel* ShortcutSettingsSection::keyNote(const QString& id) const
{
    auto row = m_rows.find(id);
    return row == m_rows.end() ? nullptr : row->second.note;
}

void ShortcutSettingsSection::refresh()
{
    GlobalShortcuts::Backend backend = m_shortcuts ? m_shortcuts->backend() : GlobalShortcuts::Backend::none;
    m_status->setText(statusText(backend));
    bool editable = backend == GlobalShortcuts::Backend::keyGrabs;
    m_configure->setVisible(m_shortcuts && m_shortcuts->canConfigureInDesktop());
    m_reset->setVisible(editable);
    m_problem->setVisible(!m_problem->text().isEmpty());
    if (!m_shortcuts)
        return;
    for (const GlobalShortcuts::Entry& entry : m_shortcuts->entries()) {
        Row& row = m_rows[entry.id];
        // The portal's keys are the desktop's description, shown as text.
        row.editor->setVisible(editable);
        row.editor->setKeySequence(
            editable ? QKeySequence::fromString(entry.keys, QKeySequence::PortableText) : QKeySequence());
        QString note = stateText(entry.state);
        if (!editable && entry.state == GlobalShortcuts::KeyState::active)
            note = entry.keys;
        row.note->setText(note);
        row.note->setVisible(!note.isEmpty());
        bool fault = entry.state == GlobalShortcuts::KeyState::heldElsewhere
            || entry.state == GlobalShortcuts::KeyState::unavailable;
        Theme colors = Theme::from(palette());
        setTextColor(row.note, fault ? readableOn(colors.red, colors.card) : colors.secondaryText);
    }
}

void ShortcutSettingsSection::choose(const QString& id)
{
    QKeySequence typed = keyEditor(id)->keySequence();
    if (typed.isEmpty())
        return;
    // Only the first combination counts; a global key is one chord.
    QString text = QKeySequence(typed[0]).toString(QKeySequence::PortableText);
    std::optional<KeyChord> chord = KeyChord::parse(text.toStdString());
    if (!chord) {
        m_problem->setText(QStringLiteral("“%1”不能作全局快捷键：组合须含 Ctrl、Alt 或 Super 键。")
                               .arg(QKeySequence(typed[0]).toString(QKeySequence::NativeText)));
        refresh();
        return;
    }
    std::string keys = chord->toString();
    // Another action's key stays with it; the user picks another.
    for (const GlobalShortcuts::Entry& entry : m_shortcuts->entries()) {
        if (entry.id != id && entry.keys.toStdString() == keys) {
            m_problem->setText(QStringLiteral("这个组合已是“%1”的快捷键。").arg(entry.title));
            refresh();
            return;
        }
    }
    m_problem->clear();
    std::string action = id.toStdString();
    m_state.updatePreferences([&](AppPreferences& p) { p.globalShortcuts[action] = keys; });
    m_shortcuts->setChoices(m_state.preferences().globalShortcuts);
    refresh();
}

} // namespace brivet
