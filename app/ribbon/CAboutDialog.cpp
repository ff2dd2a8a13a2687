#include "app/ribbon/CAboutDialog.h"

#include "appmodel/IMessagePresenter.h"
#include "resources/CSkinResources.h"

#include <QCoreApplication>
#include <QDate>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPixmap>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CAboutDialog::CAboutDialog(QWidget* parent)
    : QDialog(parent)
    , CTranslatable("CAboutDialog")
    , m_version(new QLabel(this))
{
    setWindowTitle(Translate("About Korvane"));
    setModal(true);

    auto* logo = new QLabel(this);
    logo->setPixmap(QPixmap(CSkinResources::CommonImagePath(u"korvane_64.png"_s)));
    logo->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    logo->setMinimumSize(64, 64);

    auto* product = new QLabel(Translate("Korvane"), this);
    QFont productFont = product->font();
    productFont.setBold(true);
    productFont.setPointSizeF(productFont.pointSizeF() * 1.5);
    product->setFont(productFont);
    m_version->setText(Translate("Version %1").Arg(Version()));
    auto* toolkit = new QLabel(Translate("Qt %1").Arg(QString::fromLatin1(qVersion())), this);
    auto* built = new QLabel(Translate("Built on %1").Arg(BuildDate()), this);

    auto* texts = new QVBoxLayout;
    texts->addWidget(product);
    texts->addWidget(m_version);
    texts->addWidget(toolkit);
    texts->addWidget(built);
    texts->addStretch(1);

    auto* body = new QHBoxLayout;
    body->addWidget(logo);
    body->addSpacing(12);
    body->addLayout(texts, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(buttons);
}

void CAboutDialog::Show(QWidget* parent)
{
    CAboutDialog dialog(parent);
    IMessagePresenter::Instance().RunDialog(dialog);
}

QString CAboutDialog::Version()
{
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? u"11.0"_s : version;
}

QString CAboutDialog::BuildDate()
{
    // The compiler writes the date as "Mmm dd yyyy", the day padded with a blank.
    const QString compiled = QString::fromLatin1(__DATE__).simplified();
    const QDate date = QLocale::c().toDate(compiled, u"MMM d yyyy"_s);
    return date.isValid() ? QLocale::system().toString(date, QLocale::ShortFormat) : compiled;
}
