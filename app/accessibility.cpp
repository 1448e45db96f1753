#include "app/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

namespace {

// Every accessible text is in the translation context "Accessibility".
QString translated(const char *text)
{
    return QCoreApplication::translate("Accessibility", text);
}

// The picture file a widget shows ("eco_on.png"), empty for none.
QString picture(const QWidget *widget)
{
    static const QRegularExpression url(QStringLiteral("url\\(:/([^)]*)\\)"));
    return widget ? url.match(widget->styleSheet()).captured(1).section(QLatin1Char('/'), -1) : QString();
}

// The picture of the label under a pair of transparent buttons.
QString shown_under(const QWidget *button, const char *label)
{
    return picture(button->parentWidget()->findChild<QWidget *>(QLatin1String(label), Qt::FindDirectChildrenOnly));
}

// What the pictures that stand for a state or carry a text say.
const struct {
    const char *file;
    const char *text;
} picture_texts[] = {
    {"indication_on.png", QT_TRANSLATE_NOOP("Accessibility", "On")},
    {"indication_off.png", QT_TRANSLATE_NOOP("Accessibility", "Off")},
    {"indication_no.png", QT_TRANSLATE_NOOP("Accessibility", "Unknown")},
    {"stby_u.png", QT_TRANSLATE_NOOP("Accessibility", "U")},
    {"stby_s.png", QT_TRANSLATE_NOOP("Accessibility", "S")},
    {"stby_no.png", QT_TRANSLATE_NOOP("Accessibility", "Unknown")},
    {"apply_car_press.png", QT_TRANSLATE_NOOP("Accessibility", "In progress")},
    {"no_device.png", QT_TRANSLATE_NOOP("Accessibility", "No device connected")},
    {"OR.png", "OR"},
    {"OR+.png", "OR+"},
    {"text_select_vehicle.png", QT_TRANSLATE_NOOP("Accessibility", "Select your vehicle")},
    {"text_select_new_vehicle.png", QT_TRANSLATE_NOOP("Accessibility", "Select a new vehicle")},
    {"no_vehicle.png", QT_TRANSLATE_NOOP("Accessibility", "No vehicle installed")},
    {"no_errors.png", QT_TRANSLATE_NOOP("Accessibility", "No errors")},
    {"red.png", QT_TRANSLATE_NOOP("Accessibility", "Selected protocol")},
    {"yellow.png", QT_TRANSLATE_NOOP("Accessibility", "Active protocol")},
};

QString says(const QString &file)
{
    for (const auto &known : picture_texts)
        if (file == QLatin1String(known.file))
            return translated(known.text);
    return QString();
}

enum class Describe {
    Nothing,
    Shown,     // a label's text, else what its picture says
    DriveMode, // one of three buttons; its picture is "..._on.png" when it is the mode
    Indication, // one of the two buttons over label_indication_on_off
    Standby,    // one of the two buttons over label_stby_u_s
};

struct Entry {
    const char *object;
    const char *name; // translated when read; "%1" is a pin's number
    Describe describe;
};

// The picture buttons and labels, by object name.
const Entry entries[] = {
    {"pushButton_dynamic", QT_TRANSLATE_NOOP("Accessibility", "Dynamic"), Describe::DriveMode},
    {"pushButton_eco", QT_TRANSLATE_NOOP("Accessibility", "Eco"), Describe::DriveMode},
    {"pushButton_stock", QT_TRANSLATE_NOOP("Accessibility", "Stock"), Describe::DriveMode},
    {"pushButton_indication_off", QT_TRANSLATE_NOOP("Accessibility", "Indication off"), Describe::Indication},
    {"pushButton_indication_on", QT_TRANSLATE_NOOP("Accessibility", "Indication on"), Describe::Indication},
    {"pushButton_stby_u", QT_TRANSLATE_NOOP("Accessibility", "Standby U"), Describe::Standby},
    {"pushButton_stby_s", QT_TRANSLATE_NOOP("Accessibility", "Standby S"), Describe::Standby},
    {"pushButton_apply_car", QT_TRANSLATE_NOOP("Accessibility", "Install vehicle"), Describe::Shown},
    {"pushButton_apply_settings", QT_TRANSLATE_NOOP("Accessibility", "Apply settings"), Describe::Nothing},
    {"pushButton_send_errors", QT_TRANSLATE_NOOP("Accessibility", "Send errors"), Describe::Nothing},
    {"pushButton_clear_errors", QT_TRANSLATE_NOOP("Accessibility", "Clear errors"), Describe::Nothing},
    {"pushButton_custom", QT_TRANSLATE_NOOP("Accessibility", "Custom settings"), Describe::Nothing},
    {"pushButton_update_firmware", QT_TRANSLATE_NOOP("Accessibility", "Update firmware"), Describe::Nothing},
    {"pushButton_update_car_software", QT_TRANSLATE_NOOP("Accessibility", "Update vehicle software"),
     Describe::Nothing},
    {"pushButton_marka", QT_TRANSLATE_NOOP("Accessibility", "Choose brand"), Describe::Nothing},
    {"pushButton_model", QT_TRANSLATE_NOOP("Accessibility", "Choose model"), Describe::Nothing},
    {"pushButton_model_exactly", QT_TRANSLATE_NOOP("Accessibility", "Choose engine"), Describe::Nothing},
    {"label_indication_on_off", QT_TRANSLATE_NOOP("Accessibility", "Indication switch"), Describe::Shown},
    {"label_stby_u_s", QT_TRANSLATE_NOOP("Accessibility", "Standby switch"), Describe::Shown},
    {"label_device", QT_TRANSLATE_NOOP("Accessibility", "Device"), Describe::Shown},
    {"label_text_select_vehicle", QT_TRANSLATE_NOOP("Accessibility", "Vehicle selection"), Describe::Shown},
    {"label_drive_modes", QT_TRANSLATE_NOOP("Accessibility", "Drive modes"), Describe::Nothing},
    {"label_load", QT_TRANSLATE_NOOP("Accessibility", "Loading"), Describe::Nothing},
    {"label_marka_model", QT_TRANSLATE_NOOP("Accessibility", "Vehicle in the device"), Describe::Shown},
    {"label_modif_power_torque", QT_TRANSLATE_NOOP("Accessibility", "Engine, power and torque"), Describe::Shown},
    {"label_avail_config", QT_TRANSLATE_NOOP("Accessibility", "Configurations left"), Describe::Shown},
    {"label_errors", QT_TRANSLATE_NOOP("Accessibility", "Errors"), Describe::Shown},
    {"label_serial_number", QT_TRANSLATE_NOOP("Accessibility", "Serial number"), Describe::Shown},
    {"label_firmware", QT_TRANSLATE_NOOP("Accessibility", "Firmware"), Describe::Shown},
    {"label_hardware", QT_TRANSLATE_NOOP("Accessibility", "Hardware"), Describe::Shown},
    {"label_software", QT_TRANSLATE_NOOP("Accessibility", "Software"), Describe::Shown},
    {"label_protocol", QT_TRANSLATE_NOOP("Accessibility", "Protocol"), Describe::Shown},
    {"label_stby", QT_TRANSLATE_NOOP("Accessibility", "Standby"), Describe::Shown},
};

const Entry pin_entry = {"pin_", QT_TRANSLATE_NOOP("Accessibility", "Pin %1"), Describe::Shown};

// "Drive mode: Dynamic, selected"
QString choice(const char *group, const QString &option, bool selected)
{
    return (selected ? translated(QT_TRANSLATE_NOOP("Accessibility", "%1: %2, selected"))
                     : translated(QT_TRANSLATE_NOOP("Accessibility", "%1: %2, not selected")))
        .arg(translated(group), option);
}

// The description of what the widget shows now; `name` is its translated name.
QString description(const QWidget *widget, Describe describe, const QString &name)
{
    const QString shown = picture(widget);
    switch (describe) {
    case Describe::Nothing:
        break;
    case Describe::Shown: {
        const auto *label = qobject_cast<const QLabel *>(widget);
        return label && !label->text().isEmpty() ? label->text() : says(shown);
    }
    case Describe::DriveMode:
        return choice(QT_TRANSLATE_NOOP("Accessibility", "Drive mode"), name,
                      shown.endsWith(QLatin1String("_on.png")));
    case Describe::Indication: {
        const bool on = widget->objectName().endsWith(QLatin1String("_on"));
        const QString file = on ? QStringLiteral("indication_on.png") : QStringLiteral("indication_off.png");
        return choice(QT_TRANSLATE_NOOP("Accessibility", "Indication"), says(file),
                      shown_under(widget, "label_indication_on_off") == file);
    }
    case Describe::Standby: {
        const bool u = widget->objectName().endsWith(QLatin1String("_u"));
        const QString file = u ? QStringLiteral("stby_u.png") : QStringLiteral("stby_s.png");
        return choice(QT_TRANSLATE_NOOP("Accessibility", "Standby"), says(file),
                      shown_under(widget, "label_stby_u_s") == file);
    }
    }
    return QString();
}

// Widgets that keep Qt's own interfaces and only need a name.
const struct {
    const char *object;
    const char *name;
} named[] = {
    {"comboBox_marka", QT_TRANSLATE_NOOP("Accessibility", "Brand")},
    {"comboBox_model", QT_TRANSLATE_NOOP("Accessibility", "Model")},
    {"comboBox_model_exactly", QT_TRANSLATE_NOOP("Accessibility", "Engine")},
    {"comboBox_protocol", QT_TRANSLATE_NOOP("Accessibility", "Vehicle bus protocol")},
    {"comboBox_language", QT_TRANSLATE_NOOP("Accessibility", "Language")},
    {"checkBox_auto_stby", QT_TRANSLATE_NOOP("Accessibility", "Automatic standby")},
    {"checkBox_auto_proto", QT_TRANSLATE_NOOP("Accessibility", "Automatic protocol")},
};

const Entry *entry_of(const QString &object)
{
    for (const Entry &entry : entries)
        if (object == QLatin1String(entry.object))
            return &entry;
    return object.startsWith(QLatin1String(pin_entry.object)) ? &pin_entry : nullptr;
}

// A picture button or label: name and description read from the widget when asked.
class PictureInterface : public QAccessibleWidget
{
public:
    PictureInterface(QWidget *widget, QAccessible::Role role, const Entry &entry)
        : QAccessibleWidget(widget, role), entry(entry)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        QString name = translated(entry.name);
        if (&entry == &pin_entry)
            name = name.arg(widget()->objectName().mid(int(qstrlen(pin_entry.object))));
        if (t == QAccessible::Name)
            return name;
        if (t == QAccessible::Description)
            return description(widget(), entry.describe, name);
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (role() == QAccessible::Button)
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString &action) override
    {
        auto *button = qobject_cast<QPushButton *>(widget());
        // Later, as a click would come: the handler may wait for the device.
        if (button && action == pressAction())
            button->animateClick();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    const Entry &entry;
};

QAccessibleInterface *picture_interface(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget || !widget->parentWidget() || widget->parentWidget()->objectName() != QLatin1String("centralWidget"))
        return nullptr;
    const Entry *entry = entry_of(widget->objectName());
    if (!entry)
        return nullptr;
    if (qobject_cast<QPushButton *>(widget))
        return new PictureInterface(widget, QAccessible::Button, *entry);
    if (qobject_cast<QLabel *>(widget))
        return new PictureInterface(widget, QAccessible::StaticText, *entry);
    return nullptr;
}

} // namespace

void accessibility::install()
{
    static bool installed = false;
    if (!installed) {
        QAccessible::installFactory(picture_interface);
        installed = true;
    }
}

void accessibility::update_names(QWidget *central)
{
    for (const auto &widget : named) {
        QWidget *found = central->findChild<QWidget *>(QLatin1String(widget.object), Qt::FindDirectChildrenOnly);
        if (!found)
            continue;
        const QString name = translated(widget.name);
        found->setAccessibleName(name);
        if (auto *box = qobject_cast<QComboBox *>(found)) {
            // On Linux a combo box is named by its current text (and a label that points
            // to it, which this window has none of), so its caption goes with it as well.
            box->setAccessibleDescription(name);
            // An editable box takes the focus in its line edit.
            if (box->lineEdit())
                box->lineEdit()->setAccessibleName(name);
        }
    }
}
