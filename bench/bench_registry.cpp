// How fast the file-backed registry reads and writes values, for hives of a few sizes.
// Reads are served from memory after one check that the file is unchanged; every write
// replaces the hive file.
#include "platform/registry/CFileRegistry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

double PerSecond(qint64 count, qint64 nanoseconds)
{
    return nanoseconds > 0 ? count * 1e9 / static_cast<double>(nanoseconds) : 0.0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    out << "values in hive | reads per second | writes per second | file size (bytes)\n";
    for (int size : {10, 100, 1000}) {
        QTemporaryDir directory;
        CFileRegistry registry(directory.path());
        const QString path = QStringLiteral("Software\\Tellmar\\Korvane\\11.0\\Bench");
        registry.CreateKey(HKEY_CURRENT_USER, path, nullptr);
        for (int i = 0; i < size; ++i)
            registry.SetValue(HKEY_CURRENT_USER, path, QStringLiteral("Value %1").arg(i),
                              CRegistryValue::FromString(QStringLiteral("text %1").arg(i)));

        constexpr int kReads = 20000;
        QElapsedTimer timer;
        timer.start();
        CRegistryValue value;
        for (int i = 0; i < kReads; ++i)
            registry.QueryValue(HKEY_CURRENT_USER, path, QStringLiteral("Value %1").arg(i % size),
                                &value);
        const qint64 readNs = timer.nsecsElapsed();

        constexpr int kWrites = 200;
        timer.restart();
        for (int i = 0; i < kWrites; ++i)
            registry.SetValue(HKEY_CURRENT_USER, path, QStringLiteral("Value %1").arg(i % size),
                              CRegistryValue::FromDWord(static_cast<DWORD>(i)));
        const qint64 writeNs = timer.nsecsElapsed();

        out << size << " | " << qRound(PerSecond(kReads, readNs)) << " | "
            << qRound(PerSecond(kWrites, writeNs)) << " | "
            << QFileInfo(registry.HiveFilePath(HKEY_CURRENT_USER)).size() << "\n";
    }
    return 0;
}
