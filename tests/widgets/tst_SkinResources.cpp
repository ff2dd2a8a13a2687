#include "resources/CSkinResources.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

struct TManifestImage {
    QString name;
    QSize size;
};

// The images images.txt promises, "{skin}" expanded for every skin.
QList<TManifestImage> ManifestImages()
{
    QList<TManifestImage> images;
    QFile file(QStringLiteral(KV_IMAGE_MANIFEST));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return images;
    const QRegularExpression fields(uR"(^\S+\s+(\S+\.png)\s+(\d+)\s+(\d+)$)"_s);
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const QRegularExpressionMatch match = fields.match(line);
        if (line.startsWith(u'#') || !match.hasMatch())
            continue;
        const QSize size(match.captured(2).toInt(), match.captured(3).toInt());
        const QString name = match.captured(1);
        if (!name.contains(u"{skin}"_s)) {
            images.append({name, size});
            continue;
        }
        for (int skin = 0; skin < CSkinResources::kSkinCount; ++skin)
            images.append(
                {QString(name).replace(u"{skin}"_s, CSkinResources::ImageFolder(skin)), size});
    }
    return images;
}

// Whether two lines of pixels are the same, allowing for rounding in the renderer.
bool SameLine(const QImage& a, QPoint aStart, const QImage& b, QPoint bStart, QPoint step,
              int count)
{
    for (int i = 0; i < count; ++i) {
        const QColor p = a.pixelColor(aStart + step * i);
        const QColor q = b.pixelColor(bStart + step * i);
        if (std::abs(p.red() - q.red()) > 2 || std::abs(p.green() - q.green()) > 2 ||
            std::abs(p.blue() - q.blue()) > 2 || std::abs(p.alpha() - q.alpha()) > 2)
            return false;
    }
    return true;
}

bool SameColumn(const QImage& a, int ax, const QImage& b, int bx)
{
    return a.height() == b.height() && SameLine(a, {ax, 0}, b, {bx, 0}, {0, 1}, a.height());
}

bool SameRow(const QImage& a, int ay, const QImage& b, int by)
{
    return a.width() == b.width() && SameLine(a, {0, ay}, b, {0, by}, {1, 0}, a.width());
}

// A stretched image must look the same all along the stretch, or stretching smears it.
bool ColumnsAlike(const QImage& image)
{
    for (int x = 1; x < image.width(); ++x)
        if (!SameColumn(image, 0, image, x))
            return false;
    return true;
}

bool RowsAlike(const QImage& image)
{
    for (int y = 1; y < image.height(); ++y)
        if (!SameRow(image, 0, image, y))
            return false;
    return true;
}

QStringList g_warnings;

// Style sheet complaints ("Could not parse application stylesheet", "Unknown property ...");
// the offscreen platform's own notes are no concern here.
void CollectWarnings(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtDebugMsg && type != QtInfoMsg &&
        (message.contains(u"stylesheet"_s, Qt::CaseInsensitive) ||
         message.contains(u"property"_s, Qt::CaseInsensitive)))
        g_warnings.append(message);
}

// One of every kind of widget the style sheets style.
std::unique_ptr<QWidget> SampleWidgets()
{
    auto window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    auto* tabs = new QTabWidget;
    auto* table = new QTableWidget(3, 2);
    table->setCurrentCell(1, 1);
    tabs->addTab(table, u"Drives"_s);
    tabs->addTab(new QTreeWidget, u"Schedules"_s);
    layout->addWidget(tabs);
    auto* group = new QGroupBox(u"Options"_s);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(new QLineEdit(u"text"_s));
    groupLayout->addWidget(new QComboBox);
    groupLayout->addWidget(new QSpinBox);
    groupLayout->addWidget(new QCheckBox(u"Check"_s));
    groupLayout->addWidget(new QProgressBar);
    groupLayout->addWidget(new QScrollBar(Qt::Horizontal));
    layout->addWidget(group);
    auto* button = new QPushButton(u"OK"_s);
    button->setDefault(true);
    layout->addWidget(button);
    layout->addWidget(new QStatusBar);
    return window;
}

} // namespace

class tst_SkinResources : public QObject {
    Q_OBJECT

private slots:
    void manifestImagesAreCompiledIn();
    void stretchedImagesJoin_data();
    void stretchedImagesJoin();
    void styleSheets_data();
    void styleSheets();
};

void tst_SkinResources::manifestImagesAreCompiledIn()
{
    const QList<TManifestImage> images = ManifestImages();
    QVERIFY(!images.isEmpty());
    for (int skin = 0; skin < CSkinResources::kSkinCount; ++skin) {
        const QString folder = CSkinResources::ImageFolder(skin);
        QVERIFY(QFile::exists(CSkinResources::SkinImagePath(folder, u"bullet_info_32.png"_s)));
    }
    for (const TManifestImage& expected : images) {
        const QImage image(CSkinResources::CommonImagePath(expected.name));
        QVERIFY2(!image.isNull(), qPrintable(expected.name));
        QCOMPARE(image.size(), expected.size);
        // Something was drawn: an SVG that failed to render leaves the image transparent.
        bool drawn = false;
        for (int y = 0; y < image.height() && !drawn; ++y)
            for (int x = 0; x < image.width() && !drawn; ++x)
                drawn = image.pixelColor(x, y).alpha() > 0;
        QVERIFY2(drawn, qPrintable(expected.name));
    }
}

void tst_SkinResources::stretchedImagesJoin_data()
{
    QTest::addColumn<QString>("folder");
    for (int skin = 0; skin < CSkinResources::kSkinCount; ++skin) {
        const QString folder = CSkinResources::ImageFolder(skin);
        QTest::newRow(qPrintable(folder)) << folder;
    }
}

// The page panel is painted as corners, stretched edges and a stretched centre, and the ribbon
// and tab bar are stretched too: neighbouring pieces must meet without a visible seam.
void tst_SkinResources::stretchedImagesJoin()
{
    QFETCH(QString, folder);
    const auto load = [&folder](const QString& name) {
        return QImage(CSkinResources::SkinImagePath(folder, name + u".png"_s))
            .convertToFormat(QImage::Format_ARGB32);
    };
    const QString rows[] = {u"top"_s, QString(), u"bottom"_s};
    const QString columns[] = {u"left"_s, QString(), u"right"_s};
    QImage piece[3][3];
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            QStringList parts{rows[row], columns[column]};
            parts.removeAll(QString());
            const QString name =
                u"main_background_"_s + (parts.isEmpty() ? u"center"_s : parts.join(u'_'));
            piece[row][column] = load(name);
            QVERIFY2(!piece[row][column].isNull(), qPrintable(name));
            if (column == 1)
                QVERIFY2(ColumnsAlike(piece[row][column]), qPrintable(name));
            if (row == 1)
                QVERIFY2(RowsAlike(piece[row][column]), qPrintable(name));
        }
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            const QImage& here = piece[row][column];
            if (column < 2)
                QVERIFY2(SameColumn(here, here.width() - 1, piece[row][column + 1], 0),
                         qPrintable(u"%1,%2 | right neighbour"_s.arg(row).arg(column)));
            if (row < 2)
                QVERIFY2(SameRow(here, here.height() - 1, piece[row + 1][column], 0),
                         qPrintable(u"%1,%2 | neighbour below"_s.arg(row).arg(column)));
        }

    const QImage left = load(u"ribbon_background_left"_s);
    const QImage centre = load(u"ribbon_background_center"_s);
    const QImage right = load(u"ribbon_background_right"_s);
    const QImage strip = load(u"ribbon_background"_s);
    QVERIFY(ColumnsAlike(centre));
    QVERIFY(ColumnsAlike(load(u"tab_bar_bg"_s)));
    QVERIFY(SameColumn(left, left.width() - 1, centre, 0));
    QVERIFY(SameColumn(centre, centre.width() - 1, right, 0));
    // The strip is the three pieces side by side.
    QCOMPARE(strip.width(), left.width() + centre.width() + right.width());
    QCOMPARE(strip.copy(0, 0, left.width(), left.height()), left);
    QCOMPARE(strip.copy(left.width(), 0, centre.width(), centre.height()), centre);
    QCOMPARE(strip.copy(strip.width() - right.width(), 0, right.width(), right.height()), right);
}

void tst_SkinResources::styleSheets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folder");
    for (int skin = 0; skin < CSkinResources::kSkinCount; ++skin) {
        const QString name = CSkinResources::StyleSheetName(skin);
        QTest::newRow(qPrintable(name)) << name << CSkinResources::ImageFolder(skin);
    }
}

void tst_SkinResources::styleSheets()
{
    QFETCH(QString, name);
    QFETCH(QString, folder);
    QFile file(CSkinResources::StyleSheetPath(name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // Read as Latin-1: anything beyond ASCII would depend on the file's encoding.
    QVERIFY(std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; }));
    const QString styleSheet = CSkinResources::StyleSheet(name);
    QCOMPARE(styleSheet, QString::fromLatin1(bytes));

    // A misspelt image leaves its widget unpainted without a word of warning.
    const QRegularExpression url(uR"(url\(([^)]*)\))"_s);
    for (const QRegularExpressionMatch& match : url.globalMatch(styleSheet)) {
        const QString path = match.captured(1).trimmed();
        QVERIFY2(path.startsWith(CSkinResources::SkinImagePath(folder, QString())),
                 qPrintable(path));
        QVERIFY2(QFile::exists(path), qPrintable(path));
    }

    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(CollectWarnings);
    qApp->setStyleSheet(styleSheet);
    std::unique_ptr<QWidget> window = SampleWidgets();
    window->show();
    window->grab();
    QMessageBox box(QMessageBox::Information, u"Korvane"_s, u"Done."_s, QMessageBox::Ok);
    box.show();
    box.grab();
    qApp->setStyleSheet(QString());
    qInstallMessageHandler(previous);
    QVERIFY2(g_warnings.isEmpty(), qPrintable(g_warnings.join(u'\n')));
}

QTEST_MAIN(tst_SkinResources)
#include "tst_SkinResources.moc"
