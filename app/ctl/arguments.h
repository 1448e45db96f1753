#ifndef CTL_ARGUMENTS_H
#define CTL_ARGUMENTS_H

#include <QString>
#include <QStringList>

// The command line of orvctl: a command, its words, and options that may stand
// before or after the command. Plain work over the words; nothing is asked of a
// device or a server here.
namespace ctl {

enum class Verb { None, List, Identify, Set, Catalogue, Install, RecordShow };

// What `set` changes; only that field of the device's settings, the rest as held.
enum class Field { None, DriveMode, Indication, Standby, Protocol };
enum class Standby { Auto, U, S };

enum class Level { Brands, Models, Engines };

struct Arguments
{
    Verb verb = Verb::None;
    QString command;          // "identify", "set drive-mode", "catalogue models", ...

    // Global options.
    QString device;           // --device PATH; empty: the first device of the kind
    bool json = false;
    bool help = false;
    bool version = false;
    QString record;           // --record FILE: the session recorded into FILE
    bool include_software = false;  // --include-software: the chip software's bytes too

    // record-show
    QString record_file;      // "-": standard input

    // identify
    bool offline = false;

    // set
    Field field = Field::None;
    bool list_protocols = false;  // set protocol --list
    int drive_mode = -1;          // 0 stock, 1 eco, 2 dynamic
    bool indication_on = false;
    Standby standby = Standby::Auto;
    int protocol = -1;            // protocol number; -1: automatic
    QString value;                // the value word as given

    // catalogue and install
    Level level = Level::Brands;
    QString brand, model, engine;
    QString vehicle_id;           // install --vehicle-id
    bool yes = false;             // install --yes

    // Why the words are not a command line orvctl takes; empty when they are.
    QString error;
};

// Reads the words after the program's name. `protocol_names` are the names a
// `set protocol` may name (index = protocol number).
Arguments parse_arguments(const QStringList &words, const QStringList &protocol_names);

// The usage text: of every command, or of the one `arguments` name.
QString usage_text(const Arguments &arguments);

} // namespace ctl

#endif // CTL_ARGUMENTS_H
