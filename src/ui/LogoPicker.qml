import QtQuick
import QtQuick.Controls.Basic

// The chosen logo's file name with a Clear button, or a button to choose one and a hint.
Row {
    id: picker
    property string fileName
    property string hint
    property string accessibleName: "Logo"
    signal chooseRequested()
    signal clearRequested()
    spacing: 6

    Symbol {
        anchors.verticalCenter: parent.verticalCenter
        visible: picker.fileName !== ""
        name: "photo"
        size: 11
        color: Theme.primary
    }
    Text {
        anchors.verticalCenter: parent.verticalCenter
        visible: picker.fileName !== ""
        width: Math.min(implicitWidth, 200)
        elide: Text.ElideMiddle
        text: picker.fileName
        font.pixelSize: 11
        color: Theme.primary
    }
    SmallButton {
        objectName: "clearButton"
        visible: picker.fileName !== ""
        text: "Clear"
        Accessible.name: "Clear " + picker.accessibleName
        onClicked: picker.clearRequested()
    }
    SmallButton {
        objectName: "chooseButton"
        visible: picker.fileName === ""
        text: "Choose Logo…"
        Accessible.name: "Choose " + picker.accessibleName
        onClicked: picker.chooseRequested()
    }
    Text {
        anchors.verticalCenter: parent.verticalCenter
        visible: picker.fileName === ""
        text: picker.hint
        font.pixelSize: 11
        color: Theme.secondary
    }
}
