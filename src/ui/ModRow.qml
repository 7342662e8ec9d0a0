import QtQuick

// An effect: its switch, and under it the strength from 0 to 1, usable while the effect is on.
Column {
    id: mod
    required property var panel
    required property string label
    required property string enabledField
    required property string intensityField
    width: parent ? parent.width : implicitWidth
    spacing: 4

    ToggleRow {
        panel: mod.panel
        field: mod.enabledField
        text: mod.label
    }
    AccentSlider {
        width: parent.width
        from: 0
        to: 1
        value: mod.panel.settings[mod.intensityField]
        enabled: mod.panel.settings[mod.enabledField]
        opacity: enabled ? 1 : 0.35
        Accessible.name: mod.label + " strength"
        onMoved: mod.panel.set(mod.intensityField, value)
    }
}
