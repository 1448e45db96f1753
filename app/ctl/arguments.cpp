#include "app/ctl/arguments.h"

#include "app/ctl/matching.h"

#include <iterator>

namespace ctl {

namespace {

const char *const general_usage =
    "Usage: orvctl [--device PATH] [--json] [--record FILE] COMMAND [ARGUMENTS]\n"
    "\n"
    "The command line of the ORV configurator: shows and changes the settings of the\n"
    "drive-mode module on USB and installs a vehicle from the maker's catalogue.\n"
    "\n"
    "Commands:\n"
    "  list                                  the devices plugged in\n"
    "  identify [--offline]                  everything the device holds\n"
    "  set drive-mode dynamic|eco|stock      the drive mode (a configured OR+)\n"
    "  set indication on|off                 the indication\n"
    "  set standby auto|u|s                  the standby mode\n"
    "  set protocol auto|NAME                the bus protocol (--list: the names)\n"
    "  catalogue brands                      the catalogue's brands\n"
    "  catalogue models BRAND                a brand's models\n"
    "  catalogue engines BRAND MODEL         a model's engines and their ids\n"
    "  install BRAND MODEL ENGINE            installs a vehicle into the device\n"
    "  install [BRAND MODEL] --vehicle-id ID installs the vehicle of that id\n"
    "  record-show FILE                      a recording as text for a person\n"
    "\n"
    "Options, before or after the command:\n"
    "  --device PATH   the device's hidraw node (default: the first device found)\n"
    "  --json          one JSON object on standard output, errors included\n"
    "  --help          this text; COMMAND --help: the command's\n"
    "  --version       the program's and Qt's version\n"
    "  --record FILE   records the session into FILE for a bug report or a replay;\n"
    "                  the device's serial number and key only as pseudonyms\n"
    "  --include-software  with --record: the chip software's bytes too (else its\n"
    "                  length, SHA-256 and checksum)\n"
    "\n"
    "Exit status: 0 done, 2 no device or it cannot be opened, 3 the device failed and\n"
    "nothing changed, 4 the server failed and nothing was written, 5 the device was\n"
    "written but the sequence did not end well, 6 refused before anything was sent,\n"
    "64 usage error, 130 interrupted.\n";

const char *const record_show_usage =
    "Usage: orvctl record-show FILE\n"
    "\n"
    "Prints a recording (orvctl --record, or the window's log with the orv.record\n"
    "category on) as text: one line per packet, request, reply or box, with its time\n"
    "in seconds, direction, message code and meaning. FILE \"-\" reads standard input.\n";

const char *const list_usage =
    "Usage: orvctl list\n"
    "\n"
    "Lists the devices of the kind plugged in: hidraw node and USB serial string.\n";

const char *const identify_usage =
    "Usage: orvctl identify [--offline]\n"
    "\n"
    "Reads the device: serial number, model, firmware, hardware, configuration id, the\n"
    "stored vehicle, drive mode, indication, standby, protocol and the connector pins,\n"
    "and asks the server how many configurations are left (not with --offline).\n";

const char *const set_usage =
    "Usage: orvctl set drive-mode dynamic|eco|stock\n"
    "       orvctl set indication on|off\n"
    "       orvctl set standby auto|u|s\n"
    "       orvctl set protocol auto|NAME\n"
    "       orvctl set protocol --list\n"
    "\n"
    "Changes one setting of the device and keeps the others as the device holds them.\n"
    "A protocol NAME is written as the list shows it, in any case, '-' for a space\n"
    "(hs-can). Drive modes are offered by a configured OR+ only.\n";

const char *const catalogue_usage =
    "Usage: orvctl catalogue brands\n"
    "       orvctl catalogue models BRAND\n"
    "       orvctl catalogue engines BRAND MODEL\n"
    "\n"
    "Lists the maker's catalogue for the device. Titles are matched exactly, else\n"
    "ignoring case.\n";

const char *const install_usage =
    "Usage: orvctl install BRAND MODEL ENGINE [--yes]\n"
    "       orvctl install [BRAND MODEL] --vehicle-id ID [--yes]\n"
    "\n"
    "Installs a vehicle from the catalogue into the device: ENGINE is an engine's title\n"
    "or its full text as `catalogue engines` shows it; ID an engine's id (without BRAND\n"
    "and MODEL the whole catalogue is searched). Asks before writing; --yes does not ask\n"
    "and is needed when standard input is not a terminal.\n";

struct Option
{
    const char *name;
    const char *alias;
    bool takes_value;
};

const Option options[] = {
    {"--device", nullptr, true},   {"--json", nullptr, false},       {"--help", "-h", false},
    {"--version", nullptr, false}, {"--offline", nullptr, false},    {"--yes", "-y", false},
    {"--list", nullptr, false},    {"--vehicle-id", nullptr, true}, {"--record", nullptr, true},
    {"--include-software", nullptr, false},
};

// The option a word names, or null; `value` gets what follows a '='.
const Option *option_of(const QString &word, QString *value, bool *has_value)
{
    const int equals = word.indexOf(QLatin1Char('='));
    const QString name = word.startsWith(QLatin1String("--")) && equals > 0 ? word.left(equals) : word;
    *has_value = name != word;
    if (*has_value)
        *value = word.mid(equals + 1);
    for (const Option &option : options)
        if (name == QLatin1String(option.name) || (option.alias && name == QLatin1String(option.alias)))
            return &option;
    return nullptr;
}

// One of `choices` (ignoring case): its position, -1 when none.
int choice_of(const QString &word, const QStringList &choices)
{
    for (int i = 0; i < choices.size(); ++i)
        if (word.compare(choices.at(i), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void parse_set(Arguments &a, const QStringList &words, const QStringList &protocol_names)
{
    const QString field = words.value(0);
    a.value = words.value(1);
    a.command = QStringLiteral("set ") + field;
    const int extra = int(words.size()) - (a.list_protocols ? 1 : 2);
    if (field == QLatin1String("drive-mode")) {
        a.field = Field::DriveMode;
        const int mode = choice_of(a.value, {"stock", "eco", "dynamic"});
        a.drive_mode = mode;
        if (mode < 0)
            a.error = QStringLiteral("set drive-mode takes dynamic, eco or stock");
    } else if (field == QLatin1String("indication")) {
        a.field = Field::Indication;
        const int on = choice_of(a.value, {"off", "on"});
        a.indication_on = on == 1;
        if (on < 0)
            a.error = QStringLiteral("set indication takes on or off");
    } else if (field == QLatin1String("standby")) {
        a.field = Field::Standby;
        const int standby = choice_of(a.value, {"auto", "u", "s"});
        a.standby = Standby(qMax(standby, 0));
        if (standby < 0)
            a.error = QStringLiteral("set standby takes auto, u or s");
    } else if (field == QLatin1String("protocol")) {
        a.field = Field::Protocol;
        if (a.list_protocols) {
            if (extra > 0)
                a.error = QStringLiteral("set protocol --list takes no value");
            return;
        }
        a.protocol = protocol_by_name(a.value, protocol_names);
        if (a.protocol < 0 && a.value.compare(QLatin1String("auto"), Qt::CaseInsensitive) != 0) {
            QStringList words;
            for (const QString &name : protocol_names)
                words << protocol_word(name);
            a.error = QStringLiteral("unknown protocol \"%1\"; one of: auto, %2")
                          .arg(a.value, words.join(QStringLiteral(", ")));
        }
    } else {
        a.error = field.isEmpty() ? QStringLiteral("set needs a setting: drive-mode, indication, standby or protocol")
                                  : QStringLiteral("unknown setting \"%1\"").arg(field);
        return;
    }
    if (a.error.isEmpty() && extra > 0)
        a.error = QStringLiteral("too many words after %1").arg(a.command);
    if (a.list_protocols && a.field != Field::Protocol)
        a.error = QStringLiteral("--list is an option of set protocol");
}

void parse_catalogue(Arguments &a, const QStringList &words)
{
    const int level = choice_of(words.value(0), {"brands", "models", "engines"});
    if (level < 0) {
        a.error = QStringLiteral("catalogue takes brands, models BRAND or engines BRAND MODEL");
        return;
    }
    a.level = Level(level);
    a.command = QStringLiteral("catalogue ") + words.value(0).toLower();
    const char *const takes[] = {"no further words", "BRAND", "BRAND MODEL"};
    if (words.size() != level + 1)
        a.error = QStringLiteral("catalogue %1 takes %2").arg(words.value(0).toLower(), QLatin1String(takes[level]));
    a.brand = words.value(1);
    a.model = words.value(2);
}

void parse_install(Arguments &a, const QStringList &words, bool has_vehicle_id)
{
    a.brand = words.value(0);
    a.model = words.value(1);
    a.engine = words.value(2);
    const bool fits = has_vehicle_id ? words.isEmpty() || words.size() == 2 : words.size() == 3;
    if (!fits)
        a.error = QStringLiteral("install takes BRAND MODEL ENGINE, or [BRAND MODEL] --vehicle-id ID");
    else if (has_vehicle_id && a.vehicle_id.isEmpty())
        a.error = QStringLiteral("--vehicle-id needs an id");
}

} // namespace

Arguments parse_arguments(const QStringList &words, const QStringList &protocol_names)
{
    Arguments a;
    QStringList positional;
    bool has_vehicle_id = false;
    bool options_end = false;
    QStringList used;  // options of one command, for the check below
    for (int i = 0; i < words.size(); ++i) {
        const QString &word = words.at(i);
        if (options_end || !word.startsWith(QLatin1Char('-')) || word == QLatin1String("-")) {
            positional << word;
            continue;
        }
        if (word == QLatin1String("--")) {
            options_end = true;
            continue;
        }
        QString value;
        bool has_value = false;
        const Option *option = option_of(word, &value, &has_value);
        if (!option) {
            a.error = QStringLiteral("unknown option %1").arg(word);
            continue;
        }
        const QString name = QLatin1String(option->name);
        if (option->takes_value && !has_value) {
            if (i + 1 >= words.size()) {
                a.error = QStringLiteral("%1 needs a value").arg(name);
                continue;
            }
            value = words.at(++i);
        } else if (!option->takes_value && has_value) {
            a.error = QStringLiteral("%1 takes no value").arg(name);
            continue;
        }
        if (name == QLatin1String("--device")) {
            a.device = value;
            if (value.isEmpty())
                a.error = QStringLiteral("--device needs a path");
        }
        else if (name == QLatin1String("--json"))
            a.json = true;
        else if (name == QLatin1String("--record")) {
            a.record = value;
            if (value.isEmpty())
                a.error = QStringLiteral("--record needs a file");
        } else if (name == QLatin1String("--include-software"))
            a.include_software = true;
        else if (name == QLatin1String("--help"))
            a.help = true;
        else if (name == QLatin1String("--version"))
            a.version = true;
        else if (name == QLatin1String("--offline"))
            a.offline = true;
        else if (name == QLatin1String("--yes"))
            a.yes = true;
        else if (name == QLatin1String("--list"))
            a.list_protocols = true;
        else if (name == QLatin1String("--vehicle-id")) {
            a.vehicle_id = value;
            has_vehicle_id = true;
        }
        if (name != QLatin1String("--device") && name != QLatin1String("--json") && name != QLatin1String("--help")
            && name != QLatin1String("--version") && name != QLatin1String("--record")
            && name != QLatin1String("--include-software"))
            used << name;
    }

    const QString verb = positional.value(0);
    const QStringList rest = positional.mid(1);
    const char *const verbs[] = {"", "list", "identify", "set", "catalogue", "install", "record-show"};
    for (int v = 1; v < int(std::size(verbs)); ++v)
        if (verb == QLatin1String(verbs[v]))
            a.verb = Verb(v);
    a.command = verb;
    if (a.help || a.version || !a.error.isEmpty())
        return a;
    if (a.verb == Verb::None) {
        a.error = verb.isEmpty() ? QStringLiteral("a command is needed")
                                 : QStringLiteral("unknown command \"%1\"").arg(verb);
        return a;
    }
    switch (a.verb) {
    case Verb::List:
    case Verb::Identify:
        if (!rest.isEmpty())
            a.error = QStringLiteral("%1 takes no further words").arg(verb);
        break;
    case Verb::Set: parse_set(a, rest, protocol_names); break;
    case Verb::Catalogue: parse_catalogue(a, rest); break;
    case Verb::Install: parse_install(a, rest, has_vehicle_id); break;
    case Verb::RecordShow:
        a.record_file = rest.value(0);
        if (rest.size() != 1)
            a.error = QStringLiteral("record-show takes one FILE");
        else if (!a.record.isEmpty())
            a.error = QStringLiteral("record-show records nothing: --record does not go with it");
        break;
    case Verb::None: break;
    }
    if (a.include_software && a.record.isEmpty() && a.error.isEmpty())
        a.error = QStringLiteral("--include-software goes with --record FILE");
    const QStringList allowed = a.verb == Verb::Identify  ? QStringList{"--offline"}
                                : a.verb == Verb::Set     ? QStringList{"--list"}
                                : a.verb == Verb::Install ? QStringList{"--yes", "--vehicle-id"}
                                                          : QStringList();
    for (const QString &name : used)
        if (!allowed.contains(name) && a.error.isEmpty())
            a.error = QStringLiteral("%1 is not an option of %2").arg(name, verb);
    for (const QString &word : positional)
        if (word.isEmpty() && a.error.isEmpty())
            a.error = QStringLiteral("an empty word is not a name");
    return a;
}

QString usage_text(const Arguments &arguments)
{
    switch (arguments.verb) {
    case Verb::List: return QLatin1String(list_usage);
    case Verb::Identify: return QLatin1String(identify_usage);
    case Verb::Set: return QLatin1String(set_usage);
    case Verb::Catalogue: return QLatin1String(catalogue_usage);
    case Verb::Install: return QLatin1String(install_usage);
    case Verb::RecordShow: return QLatin1String(record_show_usage);
    case Verb::None: break;
    }
    return QLatin1String(general_usage);
}

} // namespace ctl
