// korvane [message]: the host of the console control. The first start of a user creates the
// control and keeps running; a later start hands its command message ("/icononlystart",
// "/connect=...", "terminate", "forcereboot", "forceshutdown", or none) to the running one.
// When the policy denies launching the console, it shows nothing and ends with exit code 1.
#include "app/CActiveKv.h"
#include "app/CActiveKvFactory.h"
#include "core/CTranslatable.h"
#include "platform/instance/CSingleInstance.h"

#include <QApplication>
#include <QIcon>
#include <QTextStream>
#include <QVBoxLayout>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kHostContext = QByteArrayLiteral("Host");

int Fail(const char* reason)
{
    QTextStream(stderr) << CTranslatable::Translate(reason, kHostContext).Text() << '\n';
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(u"Tellmar"_s);
    QApplication::setApplicationName(u"Korvane"_s);
    QApplication::setApplicationVersion(u"11.0"_s);
    // The desktop entry the window belongs to, for its icon in task bars and docks.
    QGuiApplication::setDesktopFileName(u"com.tellmar.Korvane"_s);
    // The console keeps running with its window closed, until it is told to quit.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(u":/images/korvane_64.png"_s));

    const QStringList arguments = QApplication::arguments();
    const QString message = arguments.size() > 1 ? arguments.at(1) : QString();

    CSingleInstance instance;
    if (!instance.Listen()) {
        if (instance.SendMessage(message))
            return 0;
        return Fail("korvane: the running console did not answer; the message was not "
                    "delivered.");
    }

    CActiveKvFactory factory;
    QObject* object = factory.createObject(u"CActiveKv"_s);
    auto* control = qobject_cast<CActiveKv*>(object);
    if (!control) {
        delete object;
        return Fail("korvane: the console control could not be created.");
    }

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(control);
    window.resize(1100, 720);
    window.setWindowTitle(CTranslatable::Translate("Korvane", kHostContext).Text());

    // A later start's message, an empty one included: that one only shows the window. Connected
    // before the start-up, whose dialogs run event loops of their own.
    QObject::connect(&instance, &CSingleInstance::MessageReceived, control,
                     [control](const QString& received) { control->DeliverMessage(received); });

    // Started before anything is shown: a console the policy may not launch shows nothing.
    control->EnsureStarted();
    if (!control->HoldsConsole())
        return Fail("korvane: the console may not be launched on this computer (policy "
                    "AllowLaunch).");
    if (message != u"/icononlystart"_s)
        window.show();
    if (!message.isEmpty())
        control->DeliverMessage(message);
    return application.exec();
}
