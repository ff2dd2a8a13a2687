// kv_servicebasegen: writes the base class of the objects that serve one interface of the
// contract. The adaptor that qdbusxml2cpp generates with "-l <class>" forwards every call to the
// method of the same name of its parent object; this base declares those methods, each answering
// E_NOTIMPL until a service overrides it.
//
// kv_servicebasegen <interface.xml> <output.h> <class> [<base class> <base header>]

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QSaveFile>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QXmlStreamReader>

#include <cstdio>

namespace {

struct TArg {
    QString name;
    QString type;
    bool out = false;
};

struct TMethod {
    QString name;
    QString comment;
    QList<TArg> args;
    QHash<QString, QString> typeNames; // "In0", "Out1", ... -> C++ type
};

struct TInterface {
    QString name;
    QString comment;
    QList<TMethod> methods;
};

int Fail(const QString& message)
{
    std::fprintf(stderr, "kv_servicebasegen: %s\n", qPrintable(message));
    return 1;
}

// The C++ type qdbusxml2cpp uses for a signature without a type annotation.
QString BuiltinType(const QString& signature)
{
    static const QHash<QString, QString> types{
        {QStringLiteral("y"), QStringLiteral("uchar")},
        {QStringLiteral("b"), QStringLiteral("bool")},
        {QStringLiteral("n"), QStringLiteral("short")},
        {QStringLiteral("q"), QStringLiteral("ushort")},
        {QStringLiteral("i"), QStringLiteral("int")},
        {QStringLiteral("u"), QStringLiteral("uint")},
        {QStringLiteral("x"), QStringLiteral("qlonglong")},
        {QStringLiteral("t"), QStringLiteral("qulonglong")},
        {QStringLiteral("d"), QStringLiteral("double")},
        {QStringLiteral("s"), QStringLiteral("QString")},
        {QStringLiteral("o"), QStringLiteral("QDBusObjectPath")},
        {QStringLiteral("g"), QStringLiteral("QDBusSignature")},
        {QStringLiteral("v"), QStringLiteral("QDBusVariant")},
        {QStringLiteral("as"), QStringLiteral("QStringList")},
        {QStringLiteral("ay"), QStringLiteral("QByteArray")},
        {QStringLiteral("av"), QStringLiteral("QVariantList")},
        {QStringLiteral("a{sv}"), QStringLiteral("QVariantMap")},
    };
    return types.value(signature);
}

QString Simplified(const QString& comment)
{
    return comment.simplified();
}

// A comment as "//" lines of at most 100 columns.
void WriteComment(QTextStream& out, const QString& indent, const QString& text)
{
    QString line;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && indent.size() + 3 + line.size() + 1 + word.size() > 100) {
            out << indent << "// " << line << "\n";
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        out << indent << "// " << line << "\n";
}

bool Parse(const QString& path, TInterface& result, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    QXmlStreamReader xml(&file);
    QString pendingComment;
    TMethod* method = nullptr;
    const QString annotationPrefix = QStringLiteral("org.qtproject.QtDBus.QtTypeName.");
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::Comment:
            pendingComment = Simplified(xml.text().toString());
            break;
        case QXmlStreamReader::StartElement: {
            const auto name = xml.name();
            const auto attributes = xml.attributes();
            if (name == QLatin1String("node")) {
                result.comment = pendingComment;
            } else if (name == QLatin1String("interface")) {
                if (!result.name.isEmpty()) {
                    error = QStringLiteral("more than one interface");
                    return false;
                }
                result.name = attributes.value(QLatin1String("name")).toString();
            } else if (name == QLatin1String("method")) {
                result.methods.append(
                    {attributes.value(QLatin1String("name")).toString(), pendingComment, {}, {}});
                method = &result.methods.last();
            } else if (name == QLatin1String("arg") && method) {
                method->args.append(
                    {attributes.value(QLatin1String("name")).toString(),
                     attributes.value(QLatin1String("type")).toString(),
                     attributes.value(QLatin1String("direction")) == QLatin1String("out")});
            } else if (name == QLatin1String("annotation") && method) {
                const QString key = attributes.value(QLatin1String("name")).toString();
                if (key.startsWith(annotationPrefix))
                    method->typeNames.insert(key.mid(annotationPrefix.size()),
                                             attributes.value(QLatin1String("value")).toString());
            } else if (name == QLatin1String("signal") || name == QLatin1String("property")) {
                error = QStringLiteral("the contract has no signals or properties");
                return false;
            }
            pendingComment.clear();
            break;
        }
        case QXmlStreamReader::EndElement:
            if (xml.name() == QLatin1String("method"))
                method = nullptr;
            break;
        default:
            break;
        }
    }
    if (xml.hasError()) {
        error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
        return false;
    }
    if (result.name.isEmpty()) {
        error = QStringLiteral("no interface");
        return false;
    }
    return true;
}

// One method of the base: the first out value (the HRESULT) is returned, the other outs are
// references, the ins come first as qdbusxml2cpp passes them.
bool WriteMethod(QTextStream& out, const TMethod& method, QString& error)
{
    QStringList params;
    int in = 0;
    int outs = 0;
    for (const TArg& arg : method.args) {
        const QString key =
            (arg.out ? QStringLiteral("Out%1") : QStringLiteral("In%1")).arg(arg.out ? outs : in);
        QString type = method.typeNames.value(key, BuiltinType(arg.type));
        if (type.isEmpty()) {
            error =
                QStringLiteral("%1: no C++ type for %2 '%3'").arg(method.name, arg.type, arg.name);
            return false;
        }
        if (arg.out) {
            if (outs == 0 && (arg.name != QLatin1String("hr") || arg.type != QLatin1String("i"))) {
                error = QStringLiteral("%1: the first out value must be 'hr' of type 'i'")
                            .arg(method.name);
                return false;
            }
            if (outs > 0)
                params.append(QStringLiteral("%1& /*%2*/").arg(type, arg.name));
            ++outs;
        } else {
            const bool byReference = type.startsWith(u'Q');
            params.append(byReference ? QStringLiteral("const %1& /*%2*/").arg(type, arg.name)
                                      : QStringLiteral("%1 /*%2*/").arg(type, arg.name));
            ++in;
        }
    }
    if (outs == 0) {
        error = QStringLiteral("%1: no 'hr' out value").arg(method.name);
        return false;
    }
    out << "\n";
    WriteComment(out, QStringLiteral("    "), method.comment);
    out << "    virtual int " << method.name << "(" << params.join(QStringLiteral(", ")) << ")\n"
        << "    {\n"
        << "        return DBusContract::kNotImplemented;\n"
        << "    }\n";
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 6)
        return Fail(QStringLiteral(
            "usage: kv_servicebasegen <interface.xml> <output.h> <class> [<base> <base header>]"));
    const QString xmlPath = QString::fromLocal8Bit(argv[1]);
    const QString outputPath = QString::fromLocal8Bit(argv[2]);
    const QString className = QString::fromLocal8Bit(argv[3]);
    const QString baseClass =
        argc == 6 ? QString::fromLocal8Bit(argv[4]) : QStringLiteral("QObject");
    const QString baseHeader = argc == 6 ? QString::fromLocal8Bit(argv[5]) : QString();

    TInterface contract;
    QString error;
    if (!Parse(xmlPath, contract, error))
        return Fail(xmlPath + QStringLiteral(": ") + error);

    QString text;
    QTextStream out(&text);
    out << "// Generated by kv_servicebasegen from " << QFileInfo(xmlPath).fileName()
        << "; do not edit.\n"
        << "#pragma once\n\n"
        << "#include \"engine/contract/ContractTypes.h\"\n";
    if (!baseHeader.isEmpty())
        out << "#include \"" << baseHeader << "\"\n";
    out << "\n#include <QByteArray>\n#include <QDBusObjectPath>\n#include <QDBusSignature>\n"
        << "#include <QDBusVariant>\n#include <QList>\n#include <QObject>\n#include <QString>\n"
        << "#include <QStringList>\n#include <QVariantList>\n#include <QVariantMap>\n\n";
    WriteComment(out, QString(), contract.comment);
    WriteComment(out, QString(),
                 QStringLiteral("Base of the objects that serve %1: the generated adaptor forwards "
                                "each call to the method of the same name. Each answers E_NOTIMPL "
                                "until overridden.")
                     .arg(contract.name));
    out << "class " << className << " : public " << baseClass << " {\n"
        << "public:\n"
        << "    explicit " << className << "(QObject* parent = nullptr)\n"
        << "        : " << baseClass << "(parent)\n"
        << "    {\n"
        << "        DBusContract::RegisterTypes();\n"
        << "    }\n";
    for (const TMethod& method : contract.methods) {
        if (!WriteMethod(out, method, error))
            return Fail(xmlPath + QStringLiteral(": ") + error);
    }
    out << "};\n";
    out.flush();

    QSaveFile output(outputPath);
    if (!output.open(QIODevice::WriteOnly) || output.write(text.toUtf8()) < 0 || !output.commit())
        return Fail(outputPath + QStringLiteral(": ") + output.errorString());
    return 0;
}
