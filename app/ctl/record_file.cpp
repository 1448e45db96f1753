#include "app/ctl/record_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/recorder.h"

namespace {

std::FILE *file = nullptr;

} // namespace

bool start_record_file(const QString &path, bool include_software, QString *error)
{
    file = std::fopen(path.toLocal8Bit().constData(), "w");
    if (!file) {
        *error = QStringLiteral("cannot write the recording %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    recorder::start(
        [](const std::string &line) {
            std::fputs(line.c_str(), file);
            std::fputc('\n', file);
            std::fflush(file);
        },
        {QStringLiteral("orvctl"), include_software});
    return true;
}

void stop_record_file()
{
    if (!file)
        return;
    recorder::stop();
    std::fclose(file);
    file = nullptr;
}
