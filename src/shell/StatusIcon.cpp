#include "shell/StatusIcon.h"

#include "ui/design/BriskGeometry.h"
#include "ui/design/Symbols.h"

#include <QPainter>
#include <QPixmap>

namespace brisklet::StatusIcon {

QIcon make(bool paused, const QColor& color) {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48}) {
        QImage image = BriskGeometry::statusImage(paused, size / 18.0);
        // The mark is black on transparency: keep its shape, take the colour.
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), color);
        painter.end();
        image.setDevicePixelRatio(1);
        icon.addPixmap(
            QPixmap::fromImage(image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    }
    return icon;
}

QIcon symbol(const QString& name, const QColor& color) {
    if (Symbols::codePoint(name) == 0)
        return {};
    QIcon icon;
    for (int size : {16, 22, 32})
        icon.addPixmap(QPixmap::fromImage(Symbols::image(name, size, color)));
    return icon;
}

} // namespace brisklet::StatusIcon
