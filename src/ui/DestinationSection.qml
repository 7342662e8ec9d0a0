import QtQuick
import QtQuick.Layouts

SidebarCategory {
    id: section
    required property var panel
    title: "Destination"
    icon: "folder"

    Text {
        objectName: "destinationName"
        width: parent.width
        text: section.panel.appModel.destinationName || "Same as source"
        elide: Text.ElideMiddle
        maximumLineCount: 1
        font.pixelSize: 12
        color: Theme.primary
    }
    Row {
        spacing: 8
        SmallButton {
            text: "Choose…"
            Accessible.name: "Choose destination folder"
            onClicked: section.panel.dialogs.chooseDestination()
        }
        SmallButton {
            text: "Reset"
            Accessible.name: "Reset destination to the source folder"
            onClicked: section.panel.appModel.clearDestination()
        }
    }
}
