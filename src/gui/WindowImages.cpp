#include "gui/WindowImages.h"

#include <QFileInfo>
#include <QPainter>
#include <QSvgRenderer>

namespace tarvo::gui {

namespace {

QPixmap render(const QString& resource, QSize logical, qreal ratio)
{
    QSvgRenderer renderer(resource);
    QPixmap pixmap(logical * ratio);
    pixmap.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QString resourceOf(WindowImages::Logo logo)
{
    return logo == WindowImages::Logo::Top ? QStringLiteral(":/images/logo1.svg")
                                           : QStringLiteral(":/images/logo2.svg");
}

} // namespace

QSize WindowImages::builtInSize(Logo logo)
{
    return logo == Logo::Top ? QSize(64, 64) : QSize(160, 48);
}

QPixmap WindowImages::fromFile(Logo logo)
{
    const std::string_view name = logo == Logo::Top ? kTopLogoFile : kBottomLogoFile;
    const QString file = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    if (!QFileInfo(file).isFile())
        return {};
    return QPixmap(file);
}

QPixmap WindowImages::builtIn(Logo logo, qreal devicePixelRatio)
{
    return render(resourceOf(logo), builtInSize(logo), devicePixelRatio);
}

QIcon WindowImages::icon()
{
    const QString file = QString::fromLatin1(kIconFile.data(), static_cast<qsizetype>(kIconFile.size()));
    if (QFileInfo(file).isFile()) {
        QIcon fromFile(file);
        if (!fromFile.availableSizes().isEmpty())
            return fromFile;
    }
    QIcon drawn;
    for (int side : {16, 24, 32, 48, 64, 128, 256})
        drawn.addPixmap(render(QStringLiteral(":/images/icon.svg"), QSize(side, side), 1.0));
    return drawn;
}

QIcon WindowImages::onHandheldMark()
{
    QIcon drawn;
    for (int side : {16, 24, 32, 48})
        drawn.addPixmap(render(QStringLiteral(":/images/onhandheld.svg"), QSize(side, side), 1.0));
    return drawn;
}

} // namespace tarvo::gui
