#pragma once

#include <QString>
#include <QStringView>

// A program of the QuietWatch schedule's exclusions as the agent recognises it among the running
// programs: by its file name alone, in any case, with a ".exe" ending ignored (lists written on
// other systems keep it). The agent reads the list split at "," and ";".
class CExcludedProgram {
public:
    CExcludedProgram() = delete;

    // The name a listed program is matched by: trimmed, without its folders (either separator)
    // and without a ".exe" ending; empty when nothing is left.
    static QString MatchName(QStringView listed);
    // Whether two listed programs are matched by the same name.
    static bool Same(QStringView first, QStringView second);
    // Whether a program name survives the agent's reading of the list as one entry: not blank,
    // no surrounding blanks, no list separator.
    static bool Storable(QStringView name);
};
