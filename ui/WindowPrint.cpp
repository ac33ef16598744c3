#include "ui/WindowPrint.h"

#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QWidget>
#include <algorithm>

namespace korvul {

QPrinter &CurrentPrinter() {
    // Never destroyed: a printer must not outlive the application's print plug-ins in a static
    // destructor, and the object lives as long as the program anyway.
    static QPrinter *printer = new QPrinter(QPrinter::HighResolution);
    return *printer;
}

bool PrintWidgetImage(QWidget *widget, QPrinter &printer) {
    const QPixmap image = widget->grab();
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect page = painter.viewport();
    const double dpiScale = static_cast<double>(printer.logicalDpiX()) / std::max(widget->logicalDpiX(), 1);
    const QSizeF natural = QSizeF(image.size() / image.devicePixelRatio()) * dpiScale;
    const double fit = std::min({1.0, page.width() / natural.width(), page.height() / natural.height()});
    painter.drawPixmap(QRectF(QPointF(0, 0), natural * fit), image, QRectF(image.rect()));
    return painter.end();
}

} // namespace korvul
