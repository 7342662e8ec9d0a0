import QtQuick
import QtQuick.Layouts

// Motion blur: the effect row, plus the direction in degrees.
Column {
    id: motion
    required property var panel
    width: parent ? parent.width : implicitWidth
    spacing: 4

    ModRow {
        panel: motion.panel
        label: "Motion blur"
        enabledField: "motionBlurEnabled"
        intensityField: "motionBlurIntensity"
    }
    RowLayout {
        width: parent.width
        spacing: 8
        Text {
            text: "Angle"
            font.pixelSize: 11
            color: Theme.primary
        }
        AccentSlider {
            Layout.fillWidth: true
            from: 0
            to: 360
            value: motion.panel.settings.motionBlurAngle
            Accessible.name: "Motion blur angle"
            onMoved: motion.panel.set("motionBlurAngle", value)
        }
        ValueText {
            Layout.preferredWidth: 34
            horizontalAlignment: Text.AlignRight
            text: Math.round(motion.panel.settings.motionBlurAngle) + "°"
        }
    }
}
