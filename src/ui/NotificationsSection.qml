import QtQuick

SidebarCategory {
    id: section
    required property var panel
    title: "Notifications"
    icon: "bell.badge"

    ToggleRow { panel: section.panel; field: "notifyBanner"; text: "Show banner" }
    ToggleRow { panel: section.panel; field: "notifySound"; text: "Play sound" }
    Divider { width: parent.width; strength: 0.2 }
    ToggleRow { panel: section.panel; field: "notifyOnComplete"; text: "When conversions finish" }
    ToggleRow { panel: section.panel; field: "notifyOnError"; text: "On errors" }
    ToggleRow { panel: section.panel; field: "notifyOnImport"; text: "When images are imported" }
}
