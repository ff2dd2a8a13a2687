#pragma once

#include <QString>
#include <QStringList>

// What kvnotify was asked to do:
//   kvnotify send [--computer C] NAME TYPE [ARG...]
//   kvnotify listen --owner KIND [--name NAME]
struct CCommandLine {
    enum class TMode { Help, Send, Listen };

    static constexpr int kExitFailure = 1;
    static constexpr int kExitUsage = 2;

    // The arguments after the program's name. False, with *error, when they make no command.
    bool Parse(const QStringList& arguments, QString* error);
    static QString Usage();

    TMode mode = TMode::Help;
    // send
    QString computer; // empty for this computer
    QString name;     // also listen's --name
    QString type;
    QStringList noticeArguments;
    // listen
    QString owner;
    bool hasName = false;
};
