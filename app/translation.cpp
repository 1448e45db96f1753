#include "app/translation.h"

#include <QCoreApplication>
#include <QString>
#include <QTranslator>

// Registers the embedded .qm files (":/translations"); the build compiles them into the
// window library, whose objects are only linked in when something refers to them.
static void register_translations()
{
    static bool done = false;
    if (!done) {
        Q_INIT_RESOURCE(orv_translations);
        done = true;
    }
}

namespace {

QString installed_folder;

QTranslator &translator()
{
    static QTranslator instance;
    return instance;
}

} // namespace

void use_translation(const QString &folder)
{
    const QString wanted = folder == QLatin1String("de") || folder == QLatin1String("ru") ? folder : QString();
    if (wanted == installed_folder)
        return;
    if (!installed_folder.isEmpty())
        QCoreApplication::removeTranslator(&translator());
    installed_folder.clear();
    if (wanted.isEmpty())
        return;
    register_translations();
    if (translator().load(QStringLiteral(":/translations/orv_") + wanted + QStringLiteral(".qm"))
        && QCoreApplication::installTranslator(&translator()))
        installed_folder = wanted;
}
