#include "accessibility.h"

#include "link_label.h"

#include <QAccessibleWidget>

namespace {

// Label1 as a link: its name from the layout, its Press action a click.
class AccessibleLinkLabel : public QAccessibleWidget {
public:
    explicit AccessibleLinkLabel(LinkLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << pressAction();
    }

    void doAction(const QString& actionName) override {
        if (actionName == pressAction())
            static_cast<LinkLabel*>(widget())->click();
        else
            QAccessibleWidget::doAction(actionName);
    }
};

QAccessibleInterface* accessibleInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("Form1"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    if (className == QLatin1String("LinkLabel"))
        return new AccessibleLinkLabel(static_cast<LinkLabel*>(object));
    return nullptr;
}

} // namespace

void installAccessibleInterfaces() {
    QAccessible::installFactory(accessibleInterface);
}
