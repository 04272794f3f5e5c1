#include "monitor/data_folder.h"

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

QIcon appIcon()
{
    QIcon icon;
    for (int n : {16, 32, 48, 64, 128, 256}) {
        const QString file = dataFile(QString("desktop/icons/%1x%1/ventiscope.png").arg(n));
        if (QFileInfo::exists(file))
            icon.addFile(file, QSize(n, n));
    }
    if (icon.isNull() && QFileInfo::exists(dataFile("Ventiscope.ico")))
        icon.addFile(dataFile("Ventiscope.ico"));
    return icon;
}

} // namespace vs
