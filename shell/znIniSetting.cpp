#include "shell/znIniSetting.h"

#include "platform/ProfileFile.h"
#include "platform/ProgramFolder.h"

TznIniSetting::TznIniSetting(QObject *owner) : QObject(owner), baseFolder_(ProgramFolder::path())
{
    if (!baseFolder_.endsWith(QLatin1Char('/')))
        baseFolder_ += QLatin1Char('/');
}

QString TznIniSetting::FullFileName() const
{
    if (fileName_.trimmed().isEmpty())
        return baseFolder_ + QStringLiteral("Setting.ini");
    if (ProgramFolder::isAbsoluteName(fileName_))
        return fileName_;
    return baseFolder_ + fileName_;
}

QString TznIniSetting::ReadString(const QString &Section, const QString &Ident, const QString &Default) const
{
    return ProfileFile(FullFileName(), encoding_).readString(Section, Ident, Default);
}

void TznIniSetting::WriteString(const QString &Section, const QString &Ident, const QString &Value) const
{
    ProfileFile(FullFileName(), encoding_).writeString(Section, Ident, Value);
}
