#include "core/data_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace vs {

QString dataFolder()
{
    const QString fromEnv = qEnvironmentVariable("VENTISCOPE_DATA_DIR");
    if (!fromEnv.isEmpty())
        return fromEnv;
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString installed = QDir(exeDir).absoluteFilePath("../share/ventiscope");
    if (QFileInfo(installed).isDir())
        return QDir::cleanPath(installed);
    return exeDir;
}

QString dataFile(const QString& name)
{
    return QDir(dataFolder()).filePath(name);
}

} // namespace vs
