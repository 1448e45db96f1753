// orvctl: the configurator's command line, a face of the session layer without a
// window (Qt Core and Network only).

#include <QCoreApplication>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkRequest>
#include <QTimer>
#include <memory>
#include <unistd.h>

#include "app/build_config.h"
#include "app/ctl/arguments.h"
#include "app/ctl/console.h"
#include "app/ctl/interrupts.h"
#include "app/ctl/record_file.h"
#include "app/ctl/runner.h"
#include "app/session.h"
#include "app/session_state.h"
#include "app/translation.h"
#include "device/protocol.h"
#include "server/tls.h"

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const ctl::Arguments arguments = ctl::parse_arguments(QCoreApplication::arguments().mid(1), protocol::names());

    Console console(arguments.json, ::isatty(STDERR_FILENO));
    Interrupts interrupts(console);
    QObject context;
    QTimer read_timer;
    read_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&read_timer, &QTimer::timeout, &context, &session::read_tick);
    QTimer server_timer;
    server_timer.setSingleShot(true);
    QObject::connect(&server_timer, &QTimer::timeout, &context, &session::server_timeout);
    session::Face face;
    face.view = &console;
    face.context = &context;
    face.read_timer = &read_timer;
    face.server_timer = &server_timer;
    session::attach(face);

    // The boxes in the language of the system where the window has a translation.
    const QLocale::Language language = QLocale::system().language();
    use_translation(language == QLocale::German ? QStringLiteral("de")
                    : language == QLocale::Russian ? QStringLiteral("ru") : QStringLiteral("eng"));
    // As the window: the system's proxy, the build's extra CA, redirects never followed.
    // Only a command that asks the server sets them up: a staging build's CA brings the
    // system's roots with it, a tenth of a second before the first packet otherwise.
    const bool server = arguments.verb == ctl::Verb::Catalogue || arguments.verb == ctl::Verb::Install
                        || (arguments.verb == ctl::Verb::Identify && !arguments.offline);
    std::unique_ptr<QNetworkAccessManager> manager;
    if (server) {
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        trust_extra_certificates(compiled_in_ca_certificates());
        api_base_url = configured_api_base_url();
        manager = std::make_unique<QNetworkAccessManager>();
        manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
        network_manager = manager.get();
    }
    protocol_names = protocol::names();

    Runner runner(arguments, console, interrupts);
    const int status = runner.run();
    session::finish();
    stop_record_file();
    network_manager = nullptr;
    session::detach();
    runner.finish(status);
    return status;
}
