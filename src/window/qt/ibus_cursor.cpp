#include "ibus_cursor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QInputMethod>
#include <QWindow>

namespace {

// The name Qt's ibus input context gives its connection to ibus's own bus.
const QString kQtIbusConnection = QStringLiteral("QIBusProxy");
const QString kIbusService = QStringLiteral("org.freedesktop.IBus");

} // namespace

IbusCursorOnWayland::IbusCursorOnWayland(QObject* parent) : QObject(parent) {
    if (QGuiApplication::platformName() != QLatin1String("wayland"))
        return;
    // Connected after Qt's input context, so this follows its SetCursorLocation.
    connect(QGuiApplication::inputMethod(), &QInputMethod::cursorRectangleChanged, this,
            &IbusCursorOnWayland::tellRelativeCursor);
}

void IbusCursorOnWayland::tellRelativeCursor() {
    QDBusConnection ibus(kQtIbusConnection);
    QWindow* window = QGuiApplication::focusWindow();
    const QRect cursor = QGuiApplication::inputMethod()->cursorRectangle().toRect();
    if (!ibus.isConnected() || !window || !cursor.isValid())
        return;
    // The input context that has the focus is Qt's, for this window: ask ibus which it is.
    const QDBusMessage which =
        QDBusMessage::createMethodCall(kIbusService, QStringLiteral("/org/freedesktop/IBus"),
                                       kIbusService, QStringLiteral("CurrentInputContext"));
    auto* watcher = new QDBusPendingCallWatcher(ibus.asyncCall(which), this);
    const qreal scale = window->devicePixelRatio();
    const QRect relative(QPoint(cursor.topLeft() * scale), QSize(cursor.size() * scale));
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [relative](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> context = *finished;
                if (context.isError())
                    return;
                QDBusMessage tell = QDBusMessage::createMethodCall(
                    kIbusService, context.value().path(),
                    QStringLiteral("org.freedesktop.IBus.InputContext"),
                    QStringLiteral("SetCursorLocationRelative"));
                tell << relative.x() << relative.y() << relative.width() << relative.height();
                QDBusConnection(kQtIbusConnection).call(tell, QDBus::NoBlock);
            });
}
