import QtQuick

SidebarCategory {
    id: section
    required property var panel
    title: "Logo"
    icon: "signature"

    ToggleRow { panel: section.panel; field: "logoStampEnabled"; text: "Add logo to all images" }
    LogoPicker {
        objectName: "logoStampPicker"
        fileName: section.panel.settings.logoStampName
        hint: "bottom center"
        accessibleName: "logo stamp"
        onChooseRequested: section.panel.dialogs.chooseLogoStamp()
        onClearRequested: section.panel.appModel.clearLogoStamp()
    }
    LabelledSlider {
        panel: section.panel
        label: "Size"
        field: "logoStampSizePercent"
        from: 2
        to: 40
        suffix: "% width"
    }
    PercentSliderRow {
        panel: section.panel
        field: "logoStampOpacity"
        accessibleName: "Logo opacity"
    }
    LabelledSlider {
        panel: section.panel
        label: "Bottom margin"
        field: "logoStampMarginPercent"
        from: 0
        to: 20
        suffix: "%"
    }
}
