#include "widgets/CRibbonBar.h"
#include "widgets/CRibbonButton.h"
#include "widgets/CRibbonGroup.h"

#include <QLabel>
#include <QShortcut>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

using namespace Qt::StringLiterals;

// The ribbon's shared widgets: button texts, skin images and shortcuts, groups and bars.
class TestRibbonWidgets : public QObject {
    Q_OBJECT

private slots:
    void lineBreaks();
    void skinImages();
    void shortcutFlashesThenClicks();
    void shortcutActsOnlyOnShownEnabledButtons();
    void groupsAndEmbeddedBars();
};

namespace {

// An image that both skins have, drawn differently in each.
const QString kSkinnedImage = u"bullet_info_32.png"_s;

QImage IconImage(const QAbstractButton* button)
{
    return button->icon().pixmap(CRibbonButton::kIconSize).toImage();
}

struct TWindow {
    QWidget window;
    CRibbonBar* bar = new CRibbonBar(&window);
    CRibbonGroup* group = new CRibbonGroup(u"Group"_s);

    TWindow()
    {
        bar->AddGroup(group);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(bar);
    }

    CRibbonButton* AddButton(const QKeySequence& keys)
    {
        auto* button = new CRibbonButton;
        button->SetRibbonText(u"Button"_s);
        button->SetShortcutKeys(keys);
        group->AddButton(button);
        return button;
    }

    bool ShowActive()
    {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};

} // namespace

void TestRibbonWidgets::lineBreaks()
{
    CRibbonButton button;
    button.SetRibbonText(u"Check For \r\nUpdates"_s);
    QCOMPARE(button.text(), u"Check For \nUpdates"_s);
    QCOMPARE(button.RibbonText(), u"Check For \r\nUpdates"_s);

    // Two lines take more room than one.
    button.SetRibbonText(u"Drive\nProperties"_s);
    CRibbonButton oneLine;
    oneLine.SetRibbonText(u"DriveProperties"_s);
    QVERIFY(button.sizeHint().height() > oneLine.sizeHint().height());
}

void TestRibbonWidgets::skinImages()
{
    CRibbonButton button;
    button.SetImageName(kSkinnedImage);
    QVERIFY(button.icon().isNull());

    button.ApplySkin(u"skin_blue"_s);
    QVERIFY(!button.icon().isNull());
    const QImage blue = IconImage(&button);
    button.ApplySkin(u"skin_gray"_s);
    QVERIFY(!button.icon().isNull());
    QVERIFY(IconImage(&button) != blue);

    // A new name takes effect in the skin applied last; a missing image leaves no icon.
    button.SetImageName(u"no_such_image.png"_s);
    QVERIFY(button.icon().isNull());
    button.SetImageName(QString());
    QVERIFY(button.icon().isNull());
}

void TestRibbonWidgets::shortcutFlashesThenClicks()
{
    TWindow window;
    CRibbonButton* button = window.AddButton(Qt::CTRL | Qt::Key_D);
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    QVERIFY(window.ShowActive());

    QTest::keyClick(&window.window, Qt::Key_D, Qt::ControlModifier);
    // First the button is shown pressed, the click follows.
    QVERIFY(button->isDown());
    QCOMPARE(clicked.count(), 0);
    QTRY_COMPARE(clicked.count(), 1);
    QVERIFY(!button->isDown());
}

void TestRibbonWidgets::shortcutActsOnlyOnShownEnabledButtons()
{
    TWindow window;
    CRibbonButton* hidden = window.AddButton(Qt::CTRL | Qt::Key_D);
    CRibbonButton* shown = window.AddButton(Qt::CTRL | Qt::Key_D);
    hidden->hide();
    QSignalSpy hiddenActivated(hidden->Shortcut(), &QShortcut::activated);
    QSignalSpy ambiguous(shown->Shortcut(), &QShortcut::activatedAmbiguously);
    QVERIFY(window.ShowActive());

    // The hidden button's equal keys do not make the shown one's ambiguous.
    QTest::keyClick(&window.window, Qt::Key_D, Qt::ControlModifier);
    QVERIFY(shown->isDown());
    QVERIFY(!hidden->isDown());
    QCOMPARE(hiddenActivated.count(), 0);
    QCOMPARE(ambiguous.count(), 0);
    QTRY_VERIFY(!shown->isDown());

    shown->setEnabled(false);
    QSignalSpy clicked(shown, &QAbstractButton::clicked);
    QTest::keyClick(&window.window, Qt::Key_D, Qt::ControlModifier);
    QVERIFY(!shown->isDown());
    QCOMPARE(clicked.count(), 0);

    // A button on a hidden bar.
    shown->setEnabled(true);
    window.bar->hide();
    QTest::keyClick(&window.window, Qt::Key_D, Qt::ControlModifier);
    QVERIFY(!shown->isDown());
}

void TestRibbonWidgets::groupsAndEmbeddedBars()
{
    CRibbonBar bar;
    auto* first = new CRibbonGroup(u"First"_s);
    bar.AddGroup(first);
    first->SetTitle(u"Renamed"_s);
    QCOMPARE(first->findChild<QLabel*>(u"RibbonGroupTitle"_s)->text(), u"Renamed"_s);

    // Skins reach the buttons of a bar placed inside another one, whose groups stay its own.
    auto* inner = new CRibbonBar;
    auto* innerGroup = new CRibbonGroup(u"Inner"_s);
    auto* button = new CRibbonButton;
    button->SetImageName(kSkinnedImage);
    innerGroup->AddButton(button);
    inner->AddGroup(innerGroup);
    inner->SetEmbedded();
    bar.AddWidget(inner);
    QCOMPARE(bar.Groups(), QList<CRibbonGroup*>{first});
    bar.ApplySkin(u"skin_blue"_s);
    QVERIFY(!button->icon().isNull());
}

QTEST_MAIN(TestRibbonWidgets)
#include "tst_RibbonWidgets.moc"
