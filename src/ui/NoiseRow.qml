import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

// Noise: its switch, then its strength in whole levels from 0 to 8.
Column {
    id: noise
    required property var panel
    width: parent ? parent.width : implicitWidth
    spacing: 4

    ToggleRow {
        panel: noise.panel
        field: "noiseEnabled"
        text: "Noise"
    }
    RowLayout {
        width: parent.width
        spacing: 8
        enabled: noise.panel.settings.noiseEnabled
        opacity: enabled ? 1 : 0.35
        AccentSlider {
            Layout.fillWidth: true
            from: 0
            to: 8
            stepSize: 1
            snapMode: Slider.SnapAlways
            value: noise.panel.settings.noiseStrength
            Accessible.name: "Noise strength"
            onMoved: noise.panel.set("noiseStrength", Math.round(value))
        }
        ValueText {
            text: Math.round(noise.panel.settings.noiseStrength)
        }
    }
}
