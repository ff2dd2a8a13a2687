#include "app/CServiceDisabledMessage.h"

#include "core/CTranslatable.h"

namespace {

CMessageTemplate ServiceDisabledText(const char* source)
{
    return CTranslatable::Translate(source, QByteArrayLiteral("Korvane"));
}

} // namespace

QString CServiceDisabledMessage::Title(const QString& service)
{
    return ServiceDisabledText("Service %1 needs to be enabled").Arg(service).Text();
}

QString CServiceDisabledMessage::Text(const QString& service, const char* startupType)
{
    return ServiceDisabledText(
               "Service <b>%1</b> is disabled on the local machine, <b>Korvane</b> needs "
               "this service to function properly.")
               .Arg(service)
               .Text() +
           ServiceDisabledText("<p>1. Click <b>Start</b>, <b>Control Panel</b>, <b>Administrative "
                               "Tools</b>, <b>Services</b>.</p>")
               .Text() +
           ServiceDisabledText(
               "<p>2. In the details pane, right-click the <b>%1</b> service , and then "
               "click <b>Properties</b>.</p>")
               .Arg(service)
               .Text() +
           ServiceDisabledText(
               "<p>3. On the <b>General</b> tab, in <b>Startup type</b>, click <b>%1</b>, "
               "and then click <b>OK</b>.</p>")
               .Arg(ServiceDisabledText(startupType).Text())
               .Text() +
           ServiceDisabledText("<p>4. Click <b>Retry</b> on this dialog.").Text();
}
