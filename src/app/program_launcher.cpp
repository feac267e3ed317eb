#include "app/program_launcher.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace bw {

bool SystemProgramLauncher::isInstalled(const std::string& program) const {
    return !QStandardPaths::findExecutable(QString::fromStdString(program)).isEmpty();
}

bool SystemProgramLauncher::launch(const std::string& program,
                                   const std::vector<std::string>& arguments) {
    QStringList list;
    for (const auto& argument : arguments) {
        list.append(QString::fromStdString(argument));
    }
    return QProcess::startDetached(QString::fromStdString(program), list);
}

} // namespace bw
