#include <QCoreApplication>
#include <QTextStream>

// The console control is not part of this build yet; the host says so instead of opening an
// empty window.
int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream(stderr) << "korvane: the console is not built yet; only the libraries and their "
                           "tests are.\n";
    return 0;
}
