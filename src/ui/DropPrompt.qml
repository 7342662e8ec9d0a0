import QtQuick
import QtQuick.Controls.Basic

// What the empty list shows: where to drop, what is read and what comes out.
Item {
    id: prompt
    // Opens the file dialog for adding images.
    signal addRequested()

    implicitWidth: column.implicitWidth + 80
    implicitHeight: column.implicitHeight + 80

    Column {
        id: column
        anchors.centerIn: parent
        spacing: 14

        Symbol {
            anchors.horizontalCenter: parent.horizontalCenter
            name: "square.and.arrow.down.on.square"
            size: 40
            color: Theme.secondary
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Drop images here"
            font.pixelSize: 15
            font.weight: Font.Medium
            color: Theme.primary
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "WebP · PNG · JPEG · HEIC · TIFF  →  unique .webp"
            font.pixelSize: 13
            color: Theme.secondary
        }
        Button {
            objectName: "addImagesButton"
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Add Images…"
            Accessible.name: text
            onClicked: prompt.addRequested()
        }
    }
}
