// Build tool: renders the console's SVG images into the PNG files that are compiled in.
//
//     kv_render_images OUTPUT_DIR [SVG PNG WIDTH HEIGHT]...
//
// Each SVG is scaled to the size, keeping its aspect ratio, onto a transparent background and
// saved as OUTPUT_DIR/PNG (the name may hold a folder). One process renders them all: starting
// the toolkit costs more than drawing a small image.

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {

void PrintError(const QString& message)
{
    std::fprintf(stderr, "kv_render_images: %s\n", qPrintable(message));
}

bool RenderImage(const QString& svgPath, const QString& pngPath, const QSize& size)
{
    QSvgRenderer renderer(svgPath);
    if (!renderer.isValid()) {
        PrintError(QStringLiteral("cannot read the SVG image %1").arg(svgPath));
        return false;
    }
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        renderer.render(&painter);
    }
    if (!QDir().mkpath(QFileInfo(pngPath).absolutePath()) ||
        !image.convertToFormat(QImage::Format_ARGB32).save(pngPath, "PNG")) {
        PrintError(QStringLiteral("cannot write %1").arg(pngPath));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    // Builds run without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);

    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty() || (arguments.size() - 1) % 4 != 0) {
        PrintError(QStringLiteral("usage: kv_render_images OUTPUT_DIR [SVG PNG WIDTH HEIGHT]..."));
        return 2;
    }
    const QDir output(arguments.first());
    for (qsizetype i = 1; i < arguments.size(); i += 4) {
        bool widthValid = false;
        bool heightValid = false;
        const QSize size(arguments.at(i + 2).toInt(&widthValid),
                         arguments.at(i + 3).toInt(&heightValid));
        if (!widthValid || !heightValid || size.isEmpty()) {
            PrintError(QStringLiteral("bad size for %1").arg(arguments.at(i + 1)));
            return 2;
        }
        if (!RenderImage(arguments.at(i), output.filePath(arguments.at(i + 1)), size))
            return 1;
    }
    return 0;
}
