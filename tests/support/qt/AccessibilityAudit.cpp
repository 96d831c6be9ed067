#include "support/qt/AccessibilityAudit.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QWidget>

namespace brivet::testing {

namespace {

bool isInteractive(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::Button:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::EditableText:
    case QAccessible::MenuItem:
    case QAccessible::ListItem:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::ComboBox:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::PageTab: return true;
    default: return false;
    }
}

// Whether a node offers what a click on it does: pressing a button or a
// row, toggling a check box, opening a menu, focusing a text field,
// setting a slider.
bool hasClickAction(QAccessibleInterface* node)
{
    QAccessible::Role role = node->role();
    if (role == QAccessible::EditableText)
        return node->editableTextInterface() != nullptr || node->textInterface() != nullptr;
    if (role == QAccessible::Slider || role == QAccessible::SpinBox)
        return node->valueInterface() != nullptr;
    QAccessibleActionInterface* actions = node->actionInterface();
    if (!actions)
        return false;
    const QStringList names = actions->actionNames();
    for (const QString& name : { QAccessibleActionInterface::pressAction(), QAccessibleActionInterface::toggleAction(),
             QAccessibleActionInterface::showMenuAction() })
        if (names.contains(name))
            return true;
    return false;
}

QString describe(QAccessibleInterface* node, const QString& path)
{
    QObject* object = node->object();
    QString id = object && !object->objectName().isEmpty() ? object->objectName()
        : object                                           ? QString::fromLatin1(object->metaObject()->className())
                                                           : QStringLiteral("(virtual)");
    return QStringLiteral("%1 [role %2, %3] \"%4\"").arg(path).arg(int(node->role())).arg(id, node->text(QAccessible::Name));
}

void walk(QAccessibleInterface* node, const QString& path, int depth, AccessibilityAudit& audit)
{
    // A cycle in a hand-written interface would otherwise never end.
    if (!node || !node->isValid() || depth > 64 || node->state().invisible)
        return;
    bool unnamed = node->text(QAccessible::Name).trimmed().isEmpty();
    auto* widget = qobject_cast<QWidget*>(node->object());
    bool clickable = widget && widget->testAttribute(Qt::WA_SetCursor) && widget->cursor().shape() == Qt::PointingHandCursor;
    if (isInteractive(node->role()) || clickable) {
        ++audit.interactive;
        if (unnamed) {
            ++audit.unnamed;
            audit.findings << QStringLiteral("unnamed: ") + describe(node, path);
        }
        // A disabled control does nothing on a click either.
        bool disabled = node->state().disabled;
        if (!isInteractive(node->role()) || (!disabled && !hasClickAction(node))) {
            ++audit.unactionable;
            audit.findings << QStringLiteral("no action: ") + describe(node, path);
        }
        if (widget && widget->isEnabled() && !(widget->focusPolicy() & Qt::TabFocus)) {
            ++audit.unfocusable;
            audit.findings << QStringLiteral("not focusable: ") + describe(node, path);
        }
    } else if (depth == 0 && unnamed) {
        ++audit.unnamed;
        audit.findings << QStringLiteral("unnamed window: ") + describe(node, path);
    }
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (!child)
            continue;
        if (child->parent() != node && child->parent() && child->parent()->object() != node->object())
            audit.findings << QStringLiteral("wrong parent: ") + describe(child, path + QLatin1Char('/') + QString::number(i));
        walk(child, path + QLatin1Char('/') + QString::number(i), depth + 1, audit);
    }
}

} // namespace

AccessibilityAudit& AccessibilityAudit::operator+=(const AccessibilityAudit& other)
{
    interactive += other.interactive;
    unnamed += other.unnamed;
    unactionable += other.unactionable;
    unfocusable += other.unfocusable;
    findings += other.findings;
    return *this;
}

AccessibilityAudit auditAccessibleTree(QObject* root)
{
    AccessibilityAudit audit;
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(root);
    QString name = root ? root->objectName() : QString();
    walk(node, name.isEmpty() ? QStringLiteral("root") : name, 0, audit);
    return audit;
}

} // namespace brivet::testing
