import QtQuick
import QtQuick.Layouts

// The title line above the format bar.
Item {
    implicitHeight: title.implicitHeight + 24
    implicitWidth: title.implicitWidth + 32

    Text {
        id: title
        anchors.left: parent.left
        anchors.leftMargin: 16
        anchors.verticalCenter: parent.verticalCenter
        text: "Images"
        font.pixelSize: 13
        font.weight: Font.DemiBold
        color: Theme.primary
        Accessible.role: Accessible.Heading
    }
}
