import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

// The sidebar: every processing choice in collapsible sections, help, and Remove All.
Rectangle {
    id: panel
    required property var appModel
    required property var dialogs
    readonly property var settings: appModel.settings
    // Titles of the open sections.
    property var expanded: ["Output", "Rename"]

    // Every control writes through here; the model stores the configuration after each change.
    function set(field, value) { settings[field] = value }
    function isOpen(title) { return expanded.indexOf(title) >= 0 }
    function toggle(title) {
        expanded = isOpen(title) ? expanded.filter(t => t !== title) : expanded.concat([title])
    }

    objectName: "settingsPanel"
    color: Qt.rgba(0, 0, 0, 0.2)
    implicitWidth: 360

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        Text {
            Layout.leftMargin: 14
            Layout.rightMargin: 14
            Layout.topMargin: 14
            Layout.bottomMargin: 6
            text: "SETTINGS"
            font.pixelSize: 11
            font.bold: true
            font.letterSpacing: 1.4
            color: Theme.secondary
            Accessible.role: Accessible.Heading
        }

        ScrollView {
            id: scroll
            objectName: "sidebarScroll"
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentWidth: availableWidth
            clip: true

            Column {
                width: scroll.availableWidth - 12
                x: 6
                spacing: 2

                DestinationSection { panel: panel; isOpen: panel.isOpen(title); onToggled: panel.toggle(title) }
                OutputSection { panel: panel; isOpen: panel.isOpen(title); onToggled: panel.toggle(title) }
                RenameSection { panel: panel; isOpen: panel.isOpen(title); onToggled: panel.toggle(title) }
                ModificationsSection { panel: panel; isOpen: panel.isOpen(title); onToggled: panel.toggle(title) }
                LogoSection { panel: panel; isOpen: panel.isOpen(title); onToggled: panel.toggle(title) }
                WatermarkSection { panel: panel; isOpen: panel.isOpen(title); onToggled: panel.toggle(title) }
                NotificationsSection { panel: panel; isOpen: panel.isOpen(title); onToggled: panel.toggle(title) }
                HelpSection { isOpen: panel.isOpen(title); onToggled: panel.toggle(title) }
                GuideSection { isOpen: panel.isOpen(title); onToggled: panel.toggle(title) }
            }
        }

        Divider {
            Layout.fillWidth: true
            strength: 0.25
        }
        Button {
            id: removeAll
            objectName: "removeAllButton"
            Layout.alignment: Qt.AlignHCenter
            Layout.margins: 10
            flat: true
            enabled: panel.appModel.canRun
            Accessible.name: "Remove All"
            onClicked: panel.appModel.removeAll()
            contentItem: Row {
                spacing: 6
                opacity: removeAll.enabled ? 1 : 0.4
                Symbol {
                    anchors.verticalCenter: parent.verticalCenter
                    name: "trash"
                    size: 12
                    color: Theme.red
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: "Remove All"
                    font.pixelSize: 12
                    color: Theme.red
                }
            }
        }
    }
}
