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
        const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
        QVERIFY2(centre.alpha() > 0, qPrintable(expected.name));
    }
}

void tst_SkinResources::styleSheets_data()
{
    QTest::addColumn<QString>("name");
    for (int skin = 0; skin < CSkinResources::kSkinCount; ++skin) {
        const QString name = CSkinResources::StyleSheetName(skin);
        QTest::newRow(qPrintable(name)) << name;
    }
}

void tst_SkinResources::styleSheets()
{
    QFETCH(QString, name);
    QFile file(CSkinResources::StyleSheetPath(name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // Read as Latin-1: anything beyond ASCII would depend on the file's encoding.
    QVERIFY(std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; }));
    const QString styleSheet = CSkinResources::StyleSheet(name);
    QCOMPARE(styleSheet, QString::fromLatin1(bytes));

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
