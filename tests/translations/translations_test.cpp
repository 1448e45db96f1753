// The translation sources are what the translation tools would write from today's code:
// tools/update-translations.sh refreshes copies of resources/translations/*.ts, and the
// messages (context, source text, comment) of each copy must be those of the committed file.
// The files are compared as message sets, not bytes: lupdate versions lay them out
// differently. A box text changed or moved out of reach of the tools fails here.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <cstdio>

namespace {

QSet<QString> messages_of(const QString &path)
{
    QSet<QString> set;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return set;
    QXmlStreamReader xml(&file);
    QString context, source, comment;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("name"))
                context = xml.readElementText();
            else if (xml.name() == QLatin1String("source"))
                source = xml.readElementText();
            else if (xml.name() == QLatin1String("comment"))
                comment = xml.readElementText();
            else if (xml.name() == QLatin1String("message"))
                comment.clear();
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            set.insert(context + " | " + source + (comment.isEmpty() ? QString() : " | " + comment));
        }
    }
    if (xml.hasError())
        std::printf("%s: %s\n", qPrintable(path), qPrintable(xml.errorString()));
    return set;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString committed = QStringLiteral(ORV_SOURCE_DIR "/resources/translations");
    QTemporaryDir work;
    const QStringList files = QDir(committed).entryList({"*.ts"}, QDir::Files, QDir::Name);
    for (const QString &name : files)
        QFile::copy(committed + "/" + name, work.filePath(name));

    QProcess update;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LUPDATE", QStringLiteral(ORV_LUPDATE));
    update.setProcessEnvironment(env);
    update.setProcessChannelMode(QProcess::ForwardedChannels);
    update.start("sh", {QStringLiteral(ORV_SOURCE_DIR "/tools/update-translations.sh"), work.path()});
    if (!update.waitForFinished(120000) || update.exitStatus() != QProcess::NormalExit || update.exitCode() != 0) {
        std::printf("FAIL: tools/update-translations.sh did not run through\n");
        return 1;
    }

    int failures = files.isEmpty() ? 1 : 0;
    for (const QString &name : files) {
        const QSet<QString> want = messages_of(committed + "/" + name);
        const QSet<QString> got = messages_of(work.filePath(name));
        QStringList gone = (want - got).values(), added = (got - want).values();
        gone.sort();
        added.sort();
        for (const QString &m : gone)
            std::printf("%s: no longer in the code: %s\n", qPrintable(name), qPrintable(m));
        for (const QString &m : added)
            std::printf("%s: new in the code, not in the file: %s\n", qPrintable(name), qPrintable(m));
        std::printf("%s: %d messages, %s\n", qPrintable(name), int(want.size()),
                    gone.isEmpty() && added.isEmpty() ? "as the tools write them" : "DIFFERENT");
        failures += want.isEmpty() || !gone.isEmpty() || !added.isEmpty();
    }
    if (failures)
        std::printf("FAIL: run tools/update-translations.sh and translate the new entries\n");
    return failures ? 1 : 0;
}
