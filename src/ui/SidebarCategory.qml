import QtQuick
import QtQuick.Controls.Basic

// A collapsible section of the sidebar: a header that opens and closes it, and its rows.
Column {
    id: category
    required property string title
    required property string icon
    property int badge: 0
    property bool isOpen: false
    // True while the pointer is over the header.
    readonly property bool hover: header.hovered
    // False while the section is still opening or closing.
    readonly property bool settled: !unfolding.running
    default property alias content: rows.data
    signal toggled()
    objectName: "section:" + title
    width: parent ? parent.width : implicitWidth

    AbstractButton {
        id: header
        objectName: "header"
        width: parent.width
        padding: 12
        hoverEnabled: true
        Accessible.name: category.title
        Accessible.role: Accessible.Button
        Accessible.description: category.isOpen ? "expanded" : "collapsed"
        onClicked: category.toggled()

        contentItem: Row {
            spacing: 0
            Item {
                width: 24
                height: 16
                anchors.verticalCenter: parent.verticalCenter
                Symbol {
                    anchors.verticalCenter: parent.verticalCenter
                    name: category.icon
                    size: 16
                    color: Theme.accent
                }
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                leftPadding: 4
                text: category.title
                font.pixelSize: 14
                font.weight: Font.DemiBold
                color: Theme.primary
            }
            Item { width: 8; height: 1 }
            Rectangle {
                objectName: "badge"
                anchors.verticalCenter: parent.verticalCenter
                visible: category.badge >= 1
                width: badgeText.implicitWidth + 12
                height: badgeText.implicitHeight + 2
                radius: height / 2
                color: Theme.accent
                Text {
                    id: badgeText
                    anchors.centerIn: parent
                    text: category.badge
                    font.pixelSize: 10
                    font.bold: true
                    color: Theme.textOnAccent
                }
            }
        }
        Symbol {
            anchors.right: parent.right
            anchors.rightMargin: 12
            anchors.verticalCenter: parent.verticalCenter
            name: "chevron.right"
            size: 11
            color: Theme.tertiary
            rotation: category.isOpen ? 90 : 0
            Behavior on rotation { NumberAnimation { duration: 160; easing.type: Easing.InOutQuad } }
        }
        background: Rectangle {
            radius: 9
            color: header.hovered ? Qt.rgba(1, 1, 1, 0.06) : "transparent"
        }
    }

    Item {
        id: body
        width: parent.width
        height: category.isOpen ? rows.implicitHeight + 24 : 0
        clip: true
        visible: category.isOpen || unfolding.running
        Behavior on height {
            NumberAnimation {
                id: unfolding
                duration: 160
                easing.type: Easing.InOutQuad
            }
        }

        Column {
            id: rows
            x: 14
            y: 8
            width: parent.width - 28
            spacing: 14
        }
    }
}
