#include "resources/CSkinResources.h"
#include "widgets/CTellmarCustomStyle.h"

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
        const int skins = name.contains(u"{skin}"_s) ? CSkinResources::kSkinCount : 1;
        for (int skin = 0; skin < skins; ++skin)
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
    auto* group = new QGroupBox(u"Options"_s);
    auto* groupLayout = new QVBoxLayout(group);
    for (QWidget* widget : std::initializer_list<QWidget*>{
             new QLineEdit(u"text"_s), new QComboBox, new QSpinBox, new QCheckBox(u"Check"_s),
             new QProgressBar, new QScrollBar(Qt::Horizontal)})
        groupLayout->addWidget(widget);
    auto* button = new QPushButton(u"OK"_s);
    button->setDefault(true);
    for (QWidget* widget : std::initializer_list<QWidget*>{tabs, group, button, new QStatusBar})
        layout->addWidget(widget);
    return window;
}

} // namespace

// The skins' images and style sheets, and the style under them.
class tst_Skins : public QObject {
    Q_OBJECT

private slots:
    void manifestImagesAreCompiledIn();
    void styleSheets_data();
    void styleSheets();
    void installingAgainKeepsTheBaseStyle();
};

void tst_Skins::manifestImagesAreCompiledIn()
{
    const QList<TManifestImage> images = ManifestImages();
    QVERIFY(!images.isEmpty());
    for (const TManifestImage& expected : images) {
        const QImage image = QImage(CSkinResources::CommonImagePath(expected.name))
                                 .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QVERIFY2(!image.isNull(), qPrintable(expected.name));
        QCOMPARE(image.size(), expected.size);
        // Something was drawn: an SVG that failed to render leaves the image transparent.
        QImage transparent(image.size(), QImage::Format_ARGB32_Premultiplied);
        transparent.fill(Qt::transparent);
        QVERIFY2(image != transparent, qPrintable(expected.name));
    }
}

void tst_Skins::styleSheets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folder");
    for (int skin = 0; skin < CSkinResources::kSkinCount; ++skin) {
        const QString name = CSkinResources::StyleSheetName(skin);
        QTest::newRow(qPrintable(name)) << name << CSkinResources::ImageFolder(skin);
    }
}

void tst_Skins::styleSheets()
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

void tst_Skins::installingAgainKeepsTheBaseStyle()
{
    qApp->setStyleSheet(QString());
    QVERIFY(QApplication::setStyle(u"windows"_s));
    QPushButton button(u"Defragment"_s);
    button.show();
    CTellmarCustomStyle* style = CTellmarCustomStyle::Install();
    QCOMPARE(QApplication::style(), style);
    QCOMPARE(style->baseStyle()->name(), u"windows"_s);

    // A skin change: a style sheet wraps the style, then the style is installed again, twice.
    qApp->setStyleSheet(u"QPushButton { color: #2a5d9f; }"_s);
    CTellmarCustomStyle::Install();
    QCOMPARE(CTellmarCustomStyle::BaseStyleKey(QApplication::style()), u"windows"_s);
    style = CTellmarCustomStyle::Install();
    QVERIFY(!button.grab().isNull());

    qApp->setStyleSheet(QString());
    QCOMPARE(QApplication::style(), style);
    QCOMPARE(button.style(), style);
    QCOMPARE(style->baseStyle()->name(), u"windows"_s);
    QVERIFY(!button.grab().isNull());
}

QTEST_MAIN(tst_Skins)
#include "tst_Skins.moc"
