import QtQuick
import QtQuick.Controls.Basic

SidebarCategory {
    id: section
    required property var panel
    title: "Watermark"
    icon: "drop"

    TextField {
        objectName: "watermarkTextField"
        width: parent.width
        font.pixelSize: 12
        placeholderText: "Watermark text"
        text: section.panel.settings.watermarkText
        Accessible.name: "Watermark text"
        onTextEdited: section.panel.set("watermarkText", text)
    }
    LogoPicker {
        fileName: section.panel.settings.watermarkLogoName
        hint: "optional"
        accessibleName: "watermark logo"
        onChooseRequested: section.panel.dialogs.chooseWatermarkLogo()
        onClearRequested: section.panel.appModel.clearLogo()
    }
    ToggleRow { panel: section.panel; field: "invisible"; text: "Invisible (hidden in pixels)" }
    ToggleRow { panel: section.panel; field: "visible"; text: "Faint visible overlay" }
    PercentSliderRow {
        objectName: "overlayOpacity"
        visible: section.panel.settings.visible
        panel: section.panel
        field: "visibleOpacity"
        to: 0.25
        accessibleName: "Overlay opacity"
    }
}
