#include "ChildProcess.h"

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

QString InChild(const std::function<std::string()>& body) {
    int channel[2];
    if (pipe(channel) != 0)
        return QStringLiteral("pipe failed");
    const pid_t pid = fork();
    if (pid == 0) {
        close(channel[0]);
        std::string report;
        try {
            report = body();
        } catch (const std::exception& error) {
            report = std::string("exception: ") + error.what();
        } catch (...) {
            report = "exception";
        }
        [[maybe_unused]] const ssize_t written = write(channel[1], report.data(), report.size());
        _exit(0);
    }
    close(channel[1]);
    QByteArray report;
    char buffer[512];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, n);
    close(channel[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status))
        return QStringLiteral("child died");
    return QString::fromUtf8(report);
}

std::string DropWriteRights() {
    if (geteuid() != 0)
        return {};
    const passwd* nobody = getpwnam("nobody");
    if (!nobody || setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0)
        return "cannot drop to nobody";
    return {};
}
