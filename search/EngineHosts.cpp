#include "search/EngineTable.h"

#include "platform/ProfileFile.h"
#include "platform/ProgramFolder.h"

EngineHosts EngineHosts::fromSettings(const QString &iniPath)
{
    EngineHosts hosts;
    const ProfileFile ini(iniPath);
    const QString section = QStringLiteral("Engines");
    hosts.google = ini.readString(section, QStringLiteral("GoogleHost"), hosts.google).trimmed();
    hosts.baidu = ini.readString(section, QStringLiteral("BaiduHost"), hosts.baidu).trimmed();
    if (hosts.google.isEmpty())
        hosts.google = EngineHosts().google;
    if (hosts.baidu.isEmpty())
        hosts.baidu = EngineHosts().baidu;
    return hosts;
}

EngineHosts EngineHosts::current()
{
    return fromSettings(ProgramFolder::resolve(QStringLiteral("TrawlMain.ini")));
}
