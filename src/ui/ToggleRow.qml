import QtQuick

// A switch bound to one Boolean field of the settings.
ToggleSwitch {
    required property var panel
    required property string field
    checked: panel.settings[field]
    onToggled: panel.set(field, checked)
}
