// The other process of the single-instance tests. "listen": becomes the running instance, says
// "listening" and waits to be killed. "send MESSAGE": hands MESSAGE over. Exit code 0 when done.
#include "platform/instance/CSingleInstance.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    CSingleInstance instance;
    if (arguments.size() == 2 && arguments.at(1) == QStringLiteral("listen")) {
        if (!instance.Listen() || !instance.IsListening())
            return 2;
        QTextStream(stdout) << "listening" << Qt::endl;
        return application.exec();
    }
    if (arguments.size() == 3 && arguments.at(1) == QStringLiteral("send"))
        return !instance.Listen() && instance.SendMessage(arguments.at(2)) ? 0 : 1;
    return 2;
}
