#include "app/DesktopIdentity.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace korvul {

namespace {
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
} // namespace

QString DesktopId() { return QStringLiteral("org.korvul.Korvul"); }

QIcon ProgramIcon() {
    QSvgRenderer renderer(QStringLiteral(":/korvul/%1.svg").arg(DesktopId()));
    if (!renderer.isValid()) return {};
    QIcon icon;
    for (const int size : kIconSizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void ApplyDesktopIdentity() {
    QGuiApplication::setDesktopFileName(DesktopId());
    const QIcon icon = ProgramIcon();
    if (!icon.isNull()) QGuiApplication::setWindowIcon(icon);
}

} // namespace korvul
