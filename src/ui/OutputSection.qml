import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quelso.Model

SidebarCategory {
    id: section
    required property var panel
    readonly property var settings: panel.settings
    readonly property bool png: settings.outputFormat === SettingsModel.Png
    title: "Output"
    icon: "square.and.arrow.down"

    ToggleRow {
        panel: section.panel
        field: "removeMetadata"
        text: "Remove all metadata"
    }
    Column {
        width: parent.width
        spacing: 4
        RowLayout {
            width: parent.width
            Text {
                objectName: "qualityLabel"
                Layout.fillWidth: true
                text: section.settings.mustBeLossless ? "Lossless effort" : "Compression"
                font.pixelSize: 12
                color: Theme.primary
            }
            ValueText {
                text: Math.round(section.settings.quality)
            }
        }
        AccentSlider {
            objectName: "qualitySlider"
            width: parent.width
            from: 0
            to: 100
            stepSize: 1
            snapMode: Slider.SnapAlways
            value: section.settings.quality
            enabled: !section.png
            opacity: enabled ? 1 : 0.4
            Accessible.name: "Quality"
            onMoved: section.panel.set("quality", value)
        }
    }
    NoteText {
        objectName: "qualityNote"
        text: section.png ? "PNG is always lossless — the slider has no effect."
            : section.settings.mustBeLossless ? "Invisible watermark on → lossless WebP so it survives."
            : "Higher = better quality, larger file."
    }
    WarningText {
        objectName: "lossyWarning"
        visible: section.settings.outputWatermarkRisk
        text: "This format is lossy — the embedded invisible watermark won't survive. Use WebP or PNG."
    }
}
