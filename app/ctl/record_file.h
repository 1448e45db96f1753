#ifndef CTL_RECORD_FILE_H
#define CTL_RECORD_FILE_H

#include <QString>

// orvctl --record FILE: the session's recording goes into FILE a line at a time, so
// that what happened before an interruption is in it.
bool start_record_file(const QString &path, bool include_software, QString *error);
// The recording's last lines written and the file closed.
void stop_record_file();

#endif // CTL_RECORD_FILE_H
